#pragma once

#include <cstdint>
#include <vector>

#include "net/pdu/TextItem.h"

namespace dicom {

// A proposed presentation context (item 0x20): an odd id, one abstract syntax and the transfer
// syntaxes offered for it.
struct PresentationContext {
  static constexpr std::uint8_t kType = 0x20;

  std::uint8_t id = 0;
  AbstractSyntaxItem abstractSyntax;
  std::vector<TransferSyntaxItem> transferSyntaxes;

  std::uint16_t Length() const;
  std::uint32_t Size() const { return 4 + Length(); }
  void Write(ByteStream& out) const;
  bool ReadBody(PduReader& in);
};

}  // namespace dicom
