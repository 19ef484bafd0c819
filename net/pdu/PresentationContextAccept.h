#pragma once

#include <cstdint>

#include "net/pdu/TextItem.h"

namespace dicom {

// The peer's answer to one proposed presentation context (item 0x21).
struct PresentationContextAccept {
  static constexpr std::uint8_t kType = 0x21;
  enum Result : std::uint8_t {
    Acceptance = 0,
    UserRejection = 1,
    NoReason = 2,
    AbstractSyntaxNotSupported = 3,
    TransferSyntaxesNotSupported = 4,
  };

  std::uint8_t id = 0;
  std::uint8_t result = Acceptance;
  TransferSyntaxItem transferSyntax;

  std::uint16_t Length() const { return static_cast<std::uint16_t>(4 + transferSyntax.Size()); }
  std::uint32_t Size() const { return 4 + Length(); }
  void Write(ByteStream& out) const;
  bool ReadBody(PduReader& in);
};

}  // namespace dicom
