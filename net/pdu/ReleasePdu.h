#pragma once

#include <cstdint>

#include "net/pdu/PduReader.h"

namespace dicom {

// A-RELEASE-RQ and A-RELEASE-RP: a header and four reserved bytes.
template <std::uint8_t Type>
struct ReleasePdu {
  static constexpr std::uint8_t kType = Type;

  static constexpr std::uint32_t Size() { return 10; }
  void Write(ByteStream& out) const {
    WritePduHeader(out, kType, 4);
    out.WriteU32(0);
    out.Flush();
  }
  bool ReadBody(PduReader& in) {
    in.U8();
    in.U32();
    in.U32();
    return !in.Failed();
  }
};

using ReleaseRequestPdu = ReleasePdu<0x05>;
using ReleaseResponsePdu = ReleasePdu<0x06>;

}  // namespace dicom
