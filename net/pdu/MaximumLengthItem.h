#pragma once

#include <cstdint>

#include "net/pdu/PduReader.h"

namespace dicom {

// The largest P-DATA-TF PDU the sender accepts (sub-item 0x51).
struct MaximumLengthItem {
  static constexpr std::uint8_t kType = 0x51;

  std::uint32_t maximumLength = 0;

  static constexpr std::uint32_t Size() { return 8; }
  void Write(ByteStream& out) const {
    WriteItemHeader(out, kType, 4);
    out.WriteU32(maximumLength);
    out.Flush();
  }
  bool ReadBody(PduReader& in) {
    in.U8();
    const std::uint16_t length = in.U16();
    maximumLength = in.U32();
    return length == 4 && !in.Failed();
  }
};

}  // namespace dicom
