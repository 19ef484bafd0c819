#pragma once

#include <cstdint>
#include <string_view>

#include "data/ByteStream.h"
#include "net/pdu/PduReader.h"
#include "net/pdu/UidValue.h"

namespace dicom {

// The items that carry one bare text: item header, then the characters without padding.
template <std::uint8_t Type>
struct TextItem {
  static constexpr std::uint8_t kType = Type;

  UidValue value;

  std::uint32_t Size() const { return 4 + value.Length(); }

  void Write(ByteStream& out) const {
    WriteItemHeader(out, kType, static_cast<std::uint16_t>(value.Length()));
    out.Write(value.View().data(), value.Length());
    out.Flush();
  }

  // A text longer than 64 characters from a peer is read whole and its first 64 kept, so that the
  // parsing stays in step.
  bool ReadBody(PduReader& in) {
    in.U8();
    const std::uint16_t length = in.U16();
    const std::uint32_t kept = std::min<std::uint32_t>(length, UidValue::kMaxLength);
    char text[UidValue::kMaxLength];
    in.Bytes(text, kept);
    in.Skip(length - kept);
    value.Assign(std::string_view(text, kept));
    return !in.Failed();
  }

  bool Read(PduReader& in) {
    in.U8();
    return ReadBody(in);
  }
};

using ApplicationContextItem = TextItem<0x10>;
using AbstractSyntaxItem = TextItem<0x30>;
using TransferSyntaxItem = TextItem<0x40>;
using ImplementationClassUidItem = TextItem<0x52>;
using ImplementationVersionNameItem = TextItem<0x55>;

}  // namespace dicom
