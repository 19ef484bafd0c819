#pragma once

#include <cstdint>

#include "net/pdu/PduReader.h"

namespace dicom {

// A-ASSOCIATE-RJ (PDU type 0x03): read from a peer that refuses the association, written to one
// whose request this system refuses.
struct AssociateRejectPdu {
  static constexpr std::uint8_t kType = 0x03;
  enum Result : std::uint8_t { Permanent = 1, Transient = 2 };
  enum Source : std::uint8_t {
    ServiceUser = 1,
    ServiceProviderAcse = 2,
    ServiceProviderPresentation = 3
  };
  // Reasons, by source: the service user's, then the ACSE provider's.
  enum UserReason : std::uint8_t {
    ApplicationContextNotSupported = 2,
    CallingTitleNotRecognized = 3,
    CalledTitleNotRecognized = 7
  };
  enum ProviderReason : std::uint8_t { ProtocolVersionNotSupported = 2 };

  std::uint8_t result = 0;  // 1 permanent, 2 transient
  std::uint8_t source = 0;  // 1 service user, 2 provider (ACSE), 3 provider (presentation)
  std::uint8_t reason = 0;  // meaning depends on the source

  static constexpr std::uint32_t Size() { return 10; }
  void Write(ByteStream& out) const {
    WritePduHeader(out, kType, 4);
    out.WriteU8(0);
    out.WriteU8(result);
    out.WriteU8(source);
    out.WriteU8(reason);
    out.Flush();
  }
  // The length is not checked: the PDU always carries these four bytes.
  bool ReadBody(PduReader& in) {
    in.U8();
    in.U32();
    in.U8();
    result = in.U8();
    source = in.U8();
    reason = in.U8();
    return !in.Failed();
  }
};

}  // namespace dicom
