#pragma once

#include <cstdint>

#include "net/pdu/PduReader.h"

namespace dicom {

// P-DATA-TF (PDU type 0x04) as this system uses it: one PDV per PDU when sending; any number of
// PDVs, read one header at a time, when receiving.
struct DataTransferPdu {
  static constexpr std::uint8_t kType = 0x04;
  // Message control header bits.
  static constexpr std::uint8_t kCommand = 0x01;
  static constexpr std::uint8_t kLastFragment = 0x02;
  // Bytes of a PDV item in front of its fragment: item length, context id, control header.
  static constexpr std::uint32_t kPdvHeaderSize = 6;

  struct PdvHeader {
    std::uint32_t length = 0;  // 2 + fragment bytes
    std::uint8_t contextId = 0;
    std::uint8_t controlHeader = 0;
  };

  // The PDU header and the header of its one PDV; the fragment follows.
  static void WriteHeader(ByteStream& out, std::uint32_t fragmentLength, std::uint8_t contextId,
                          std::uint8_t controlHeader) {
    WritePduHeader(out, kType, fragmentLength + kPdvHeaderSize);
    out.WriteU32(fragmentLength + 2);
    out.WriteU8(contextId);
    out.WriteU8(controlHeader);
  }
  // After the type byte: the reserved byte and the PDU length.
  static std::uint32_t ReadLength(PduReader& in) {
    in.U8();
    return in.U32();
  }
  static PdvHeader ReadPdvHeader(PduReader& in) {
    PdvHeader header;
    header.length = in.U32();
    header.contextId = in.U8();
    header.controlHeader = in.U8();
    return header;
  }
};

}  // namespace dicom
