#pragma once

#include <cstdint>

#include "net/pdu/PduReader.h"

namespace dicom {

// A-ABORT (PDU type 0x07).
struct AbortPdu {
  static constexpr std::uint8_t kType = 0x07;
  enum Source : std::uint8_t { ServiceUser = 0, ServiceProvider = 2 };
  enum Reason : std::uint8_t { NotSpecified = 0, UnrecognizedPdu = 1, UnexpectedPdu = 2 };

  std::uint8_t source = ServiceProvider;
  std::uint8_t reason = NotSpecified;

  static constexpr std::uint32_t Size() { return 10; }
  void Write(ByteStream& out) const {
    WritePduHeader(out, kType, 4);
    out.WriteU8(0);
    out.WriteU8(0);
    out.WriteU8(source);
    out.WriteU8(reason);
    out.Flush();
  }
  bool ReadBody(PduReader& in) {
    in.U8();
    in.U32();
    in.U8();
    in.U8();
    source = in.U8();
    reason = in.U8();
    return !in.Failed();
  }
};

}  // namespace dicom
