#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "net/MemoryByteStream.h"
#include "net/pdu/PduReader.h"
#include "net/pdu/TextItem.h"
#include "net/pdu/UserInformationItem.h"

namespace dicom {

// Fixed field values of the A-ASSOCIATE PDUs.
constexpr std::uint16_t kProtocolVersion = 0x0001;
constexpr std::size_t kAeTitleLength = 16;

// A-ASSOCIATE-RQ and -AC share one layout and differ in their type and presentation context items.
template <std::uint8_t Type, class ContextItem>
class AssociatePdu {
 public:
  static constexpr std::uint8_t kType = Type;
  // The fixed part after the PDU length: version, reserved, two titles and 32 reserved bytes.
  static constexpr std::uint32_t kFixedLength = 68;

  AssociatePdu() {
    calledTitle_.fill(' ');
    callingTitle_.fill(' ');
  }

  // AE titles are space-padded to 16 bytes; a longer title is cut to 16.
  void SetCalledTitle(std::string_view title) { SetTitle(calledTitle_, title); }
  void SetCallingTitle(std::string_view title) { SetTitle(callingTitle_, title); }
  std::string_view CalledTitle() const { return {calledTitle_.data(), kAeTitleLength}; }
  std::string_view CallingTitle() const { return {callingTitle_.data(), kAeTitleLength}; }

  std::uint16_t protocolVersion = kProtocolVersion;
  ApplicationContextItem applicationContext;
  std::vector<ContextItem> presentationContexts;
  UserInformationItem userInformation;

  std::uint32_t Length() const {
    std::uint32_t length = kFixedLength + applicationContext.Size() + userInformation.Size();
    for (const ContextItem& context : presentationContexts)
      length += context.Size();
    return length;
  }
  std::uint32_t Size() const { return 6 + Length(); }

  void Write(ByteStream& out) const {
    WritePduHeader(out, kType, Length());
    out.WriteU16(protocolVersion);
    out.WriteU16(0);
    out.Write(calledTitle_.data(), kAeTitleLength);
    out.Write(callingTitle_.data(), kAeTitleLength);
    const std::array<std::uint8_t, 32> reserved{};
    out.Write(reserved.data(), reserved.size());
    out.Flush();
    applicationContext.Write(out);
    for (const ContextItem& context : presentationContexts)
      context.Write(out);
    userInformation.Write(out);
  }

  // The body after its PDU length, for a caller that looks at the length first (and bounds it).
  // The body is taken in whole first, growing only as its bytes arrive, so that no item can reach
  // past the PDU into what follows it (Overran() tells). An item of unknown type ends the parsing:
  // the rest of the PDU is skipped and what was read before it is kept. True when the lengths
  // added up; `in` fails only when the connection did.
  bool ReadRest(PduReader& in, std::uint32_t length) {
    std::vector<std::uint8_t> body;
    while (body.size() < length) {
      const std::size_t before = body.size();
      body.resize(std::min<std::size_t>(length, before + ByteStream::kFillSize));
      in.Bytes(body.data() + before, static_cast<std::uint32_t>(body.size() - before));
      if (in.Failed()) return false;
    }
    MemoryByteStream bytes(std::move(body));
    bytes.SetInputByteOrder(ByteOrder::BigEndian);
    PduReader parse(bytes);
    const bool complete = Parse(parse, length);
    overran_ = parse.Failed();
    return complete && !overran_;
  }

  // Whether the last read ran past the end of the PDU.
  bool Overran() const { return overran_; }

  // Everything after the type byte.
  bool ReadBody(PduReader& in) {
    in.U8();
    const std::uint32_t length = in.U32();
    return !in.Failed() && ReadRest(in, length);
  }

  // The whole PDU, type byte included: the mirror of Write.
  bool Read(PduReader& in) {
    in.U8();
    return ReadBody(in);
  }

 private:
  bool Parse(PduReader& in, std::uint32_t length) {
    presentationContexts.clear();
    protocolVersion = in.U16();
    in.U16();
    in.Bytes(calledTitle_.data(), kAeTitleLength);
    in.Bytes(callingTitle_.data(), kAeTitleLength);
    in.Skip(32);
    // Each item is read by its own length; only the sum has to come out even.
    while (in.Consumed() < length && !in.Failed()) {
      const std::uint8_t type = in.U8();
      if (type == ApplicationContextItem::kType) {
        applicationContext.ReadBody(in);
      } else if (type == ContextItem::kType) {
        presentationContexts.emplace_back().ReadBody(in);
      } else if (type == UserInformationItem::kType) {
        userInformation.ReadBody(in);
      } else {
        in.Skip(static_cast<std::uint32_t>(length - in.Consumed()));
        return false;
      }
    }
    return in.Consumed() == length && !in.Failed();
  }

  static void SetTitle(std::array<char, kAeTitleLength>& field, std::string_view title) {
    field.fill(' ');
    title.copy(field.data(), kAeTitleLength);
  }

  std::array<char, kAeTitleLength> calledTitle_;
  std::array<char, kAeTitleLength> callingTitle_;
  bool overran_ = false;
};

}  // namespace dicom
