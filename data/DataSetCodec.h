#pragma once

// The one encoding behind the stream codec and the file codecs. Each is instantiated with an
// adapter that moves bytes: a Sink offers WriteU16, WriteU32 (in the syntax's byte order) and
// WriteBytes; a Source offers ReadU16, ReadU32, ReadBytes, More (bytes of the message or file are
// left), ReadValue (allocates and fills a value only when that many bytes are really left) and
// Defer (skips a large value, or any pixel data fragment, that stays in its file, answering where
// it is; null otherwise).

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "data/CodecStatus.h"
#include "data/DataDictionary.h"
#include "data/DataSet.h"
#include "data/EncapsulatedPixelData.h"
#include "data/Tag.h"
#include "data/TransferSyntax.h"
#include "data/VrRules.h"

namespace dicom::codec {

template <typename T, T (*Swap)(T)>
void SwapEach(std::uint8_t* data, std::size_t length) {
  for (std::size_t i = 0; i + sizeof(T) <= length; i += sizeof(T)) {
    T unit;
    std::memcpy(&unit, data + i, sizeof(T));
    unit = Swap(unit);
    std::memcpy(data + i, &unit, sizeof(T));
  }
}

inline std::uint16_t Swap16(std::uint16_t v) {
  return __builtin_bswap16(v);
}
inline std::uint32_t Swap32(std::uint32_t v) {
  return __builtin_bswap32(v);
}
inline std::uint64_t Swap64(std::uint64_t v) {
  return __builtin_bswap64(v);
}

// Reverses each unit of `unit` bytes in place; a partial unit at the end stays as it is.
inline void SwapUnits(std::uint8_t* data, std::size_t length, unsigned unit) {
  switch (unit) {
    case 2:
      return SwapEach<std::uint16_t, Swap16>(data, length);
    case 4:
      return SwapEach<std::uint32_t, Swap32>(data, length);
    case 8:
      return SwapEach<std::uint64_t, Swap64>(data, length);
    default:
      for (std::size_t i = 0; i + unit <= length; i += unit)
        std::reverse(data + i, data + i + unit);
  }
}

template <class Sink>
class Encoder {
 public:
  Encoder(Sink& out, TransferSyntax syntax)
      : out_(out),
        explicitVr_(IsExplicitVr(syntax)),
        bigEndian_(IsBigEndian(syntax)),
        encapsulated_(IsEncapsulated(syntax)) {}

  CodecStatus Status() const { return status_; }

  std::uint64_t WriteDataSet(const DataSet& dataSet) {
    std::uint64_t written = 0;
    if (!dataSet.Empty()) {
      const std::uint16_t group = TagGroup(dataSet.begin()->first);
      if (group == 0x0000 || group == 0x0002) written += WriteGroupLength(group, dataSet);
    }
    for (const auto& [tag, value] : dataSet) {
      if (status_ != CodecStatus::Good) break;
      written += WriteElement(tag, *value);
    }
    return written;
  }

  // Whether every value, items included, can be written: a caller that must not send a partial
  // message asks first.
  bool CanWrite(const DataSet& dataSet) const {
    for (const auto& [tag, value] : dataSet) {
      if (!Writable(value->Items() != nullptr, *value, RulesFor(WrittenVr(tag, *value)))) {
        return false;
      }
      if (const Sequence* items = value->Items()) {
        for (const ItemPtr& item : *items) {
          if (!CanWrite(*item)) return false;
        }
      }
    }
    return true;
  }

  std::uint64_t WriteElement(Tag tag, const ElementValue& value) {
    const VrCode vr = WrittenVr(tag, value);
    const VrRules& rules = RulesFor(vr);
    const bool sequence = value.Items() != nullptr;
    const EncapsulatedPixelData* pixels = value.Encapsulated();
    if (!Writable(sequence, value, rules)) {
      status_ = CodecStatus::ValueNotWritable;
      return 0;
    }
    const std::uint32_t length = sequence || pixels ? value.Length() : EvenLength(value);
    out_.WriteU16(TagGroup(tag));
    out_.WriteU16(TagElement(tag));
    std::uint64_t written = 4;
    if (!explicitVr_) {
      out_.WriteU32(length);
      written += 4;
    } else {
      const std::uint8_t chars[2] = {static_cast<std::uint8_t>(VrFirst(vr)),
                                     static_cast<std::uint8_t>(VrSecond(vr))};
      out_.WriteBytes(chars, 2);
      if (rules.longLength) {
        out_.WriteU16(0);
        out_.WriteU32(length);
        written += 8;
      } else {
        out_.WriteU16(static_cast<std::uint16_t>(length));
        written += 4;
      }
    }
    if (length == 0) return written;
    if (sequence) return written + WriteItems(*value.Items());
    if (pixels) return written + WriteFragments(*pixels);
    written += value.Deferred() != nullptr
                   ? WriteDeferred(*value.Deferred(), value.Length(), rules.swapUnit)
                   : WriteValue(value.Data(), value.Length(), bigEndian_ ? rules.swapUnit : 0);
    if (length != value.Length()) {
      const auto pad = static_cast<std::uint8_t>(rules.padByte);
      out_.WriteBytes(&pad, 1);
      ++written;
    }
    return written;
  }

 private:
  // Values go out with an even length, as the standard requires: a raw value of odd length gets
  // its VR's pad byte.
  static std::uint32_t EvenLength(const ElementValue& value) {
    return value.Length() + (value.Length() & 1);
  }

  // In explicit VR a value still marked UN goes out with the dictionary's VR, unless that VR is
  // SQ: its bytes are no items, and under an SQ header they would not decode again.
  VrCode WrittenVr(Tag tag, const ElementValue& value) const {
    VrCode vr = value.Vr();
    if (!explicitVr_ || vr != vr::UN) return vr;
    VrCode known = vr::UN;
    if (DataDictionary::Instance().Lookup(tag, known) && known != vr::SQ) vr = known;
    return vr;
  }

  // Lengths are never written wrong: a value that its header cannot describe fails the writer.
  // Fragments only go out in a syntax that says so: elsewhere a reader would take them for the
  // plain pixel values.
  bool Writable(bool sequence, const ElementValue& value, const VrRules& rules) const {
    if (sequence) return true;
    if (value.Encapsulated()) return encapsulated_ && (!explicitVr_ || rules.longLength);
    if (value.Length() == kUndefinedLength) return false;
    if (value.Length() > 0 && value.Data() == nullptr && value.Deferred() == nullptr) return false;
    if (explicitVr_ && !rules.longLength && EvenLength(value) > 0xFFFF) return false;
    if (bigEndian_ && rules.swapUnit > 1 && value.Length() % rules.swapUnit != 0) return false;
    return true;
  }

  // The length counts the headers as this syntax writes them: 12 bytes for the long form.
  std::uint64_t WriteGroupLength(std::uint16_t group, const DataSet& dataSet) {
    std::uint32_t length = 0;
    for (const auto& [tag, value] : dataSet) {
      const bool longForm = explicitVr_ && RulesFor(WrittenVr(tag, *value)).longLength;
      length += (longForm ? 12 : 8) + EvenLength(*value);
    }
    const ElementValue groupLength = ElementValue::FromUL(length);
    return WriteElement(MakeTag(group, 0x0000), groupLength);
  }

  std::uint64_t WriteItems(const Sequence& items) {
    std::uint64_t written = 0;
    for (const ItemPtr& item : items) {
      if (status_ != CodecStatus::Good) return written;
      written += WriteMarker(kItemTag, kUndefinedLength);
      written += WriteDataSet(*item);
      written += WriteMarker(kItemDelimitationTag, 0);
    }
    return written + WriteMarker(kSequenceDelimitationTag, 0);
  }

  std::uint64_t WriteFragments(const EncapsulatedPixelData& pixels) {
    const auto tableLength = static_cast<std::uint32_t>(4 * pixels.offsetTable.size());
    std::uint64_t written = WriteMarker(kItemTag, tableLength);
    for (const std::uint32_t offset : pixels.offsetTable) {
      const std::uint8_t bytes[4] = {
          static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(offset >> 8),
          static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 24)};
      out_.WriteBytes(bytes, 4);
    }
    written += tableLength;
    for (const EncapsulatedPixelData::Fragment& fragment : pixels.fragments) {
      if (status_ != CodecStatus::Good) return written;
      written += WriteMarker(kItemTag, fragment.length);
      written += fragment.data || fragment.length == 0
                     ? WriteValue(fragment.data.get(), fragment.length, 0)
                     : WriteDeferred({pixels.source, fragment.offset, false}, fragment.length, 0);
    }
    return written + WriteMarker(kSequenceDelimitationTag, 0);
  }

  std::uint64_t WriteMarker(Tag tag, std::uint32_t length) {
    out_.WriteU16(TagGroup(tag));
    out_.WriteU16(TagElement(tag));
    out_.WriteU32(length);
    return 8;
  }

  std::uint64_t WriteValue(const std::uint8_t* data, std::uint32_t length, unsigned swapUnit) {
    // In pieces, so that a sink that sends as it goes never holds a whole large value.
    constexpr std::uint32_t kPiece = 1 << 16;
    if (swapUnit <= 1) {
      for (std::uint32_t done = 0; done < length; done += kPiece) {
        out_.WriteBytes(data + done, std::min(kPiece, length - done));
      }
      return length;
    }
    // Swapped through a small buffer: the value itself is shared and must stay as it is.
    std::array<std::uint8_t, 16384> buffer;
    for (std::uint32_t done = 0; done < length;) {
      const auto piece =
          static_cast<std::uint32_t>(std::min<std::size_t>(length - done, buffer.size()));
      std::copy_n(data + done, piece, buffer.data());
      SwapUnits(buffer.data(), piece, swapUnit);
      out_.WriteBytes(buffer.data(), piece);
      done += piece;
    }
    return length;
  }

  // Read from the file piece by piece and passed on; swapped where the file's byte order is not
  // the one written. A file that no longer holds the bytes ends the writing.
  std::uint64_t WriteDeferred(const DeferredBytes& bytes, std::uint32_t length, unsigned swapUnit) {
    constexpr std::uint32_t kPiece = 1 << 18;  // a multiple of every swap unit
    const bool swap = swapUnit > 1 && bytes.bigEndian != bigEndian_;
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(std::min(kPiece, length));
    for (std::uint32_t done = 0; done < length;) {
      const std::uint32_t piece = std::min(kPiece, length - done);
      if (bytes.source == nullptr ||
          !bytes.source->ReadAt(bytes.offset + done, buffer.get(), piece)) {
        status_ = CodecStatus::ValueNotDelivered;
        return done;
      }
      if (swap) SwapUnits(buffer.get(), piece, swapUnit);
      out_.WriteBytes(buffer.get(), piece);
      done += piece;
    }
    return length;
  }

  Sink& out_;
  bool explicitVr_;
  bool bigEndian_;
  bool encapsulated_;
  CodecStatus status_ = CodecStatus::Good;
};

template <class Source>
class Decoder {
 public:
  Decoder(Source& in, TransferSyntax syntax)
      : in_(in), explicitVr_(IsExplicitVr(syntax)), bigEndian_(IsBigEndian(syntax)) {}

  CodecStatus Status() const { return status_; }
  // The tag of the element being read when the first failure happened.
  Tag FailedTag() const { return failedTag_; }

  // Reads elements until the limit, the end of the input, a delimiter, trailing padding or an
  // error. Group length elements are dropped; a repeated tag keeps its first value.
  std::uint64_t ReadDataSet(DataSet& dataSet, std::uint64_t limit) {
    dataSet.Clear();
    std::uint64_t consumed = 0;
    while (status_ == CodecStatus::Good && in_.More() && consumed < limit) {
      DataElement element;
      consumed += ReadElement(element);
      if (element.tag == kTrailingPaddingTag || element.tag == kItemDelimitationTag) break;
      if (!element.value) break;
      if (!IsGroupLength(element.tag)) dataSet.Insert(element.tag, std::move(element.value));
    }
    return consumed;
  }

  std::uint64_t ReadElement(DataElement& element) {
    element.value.reset();
    std::uint16_t group, number;
    if (!in_.ReadU16(group) || !in_.ReadU16(number)) return Fail(CodecStatus::ValueNotDelivered, 0);
    const Tag tag = element.tag = currentTag_ = MakeTag(group, number);
    std::uint64_t consumed = 4;
    if (tag == kItemTag) return Fail(CodecStatus::UnexpectedItem, consumed);
    if (tag == kSequenceDelimitationTag)
      return Fail(CodecStatus::UnexpectedSequenceDelimiter, consumed);
    if (tag == kItemDelimitationTag) {
      std::uint32_t length;
      if (!in_.ReadU32(length)) return Fail(CodecStatus::ValueNotDelivered, consumed);
      return length == 0 ? consumed + 4 : Fail(CodecStatus::DelimiterWithLength, consumed + 4);
    }

    VrCode vr = vr::UN;
    std::uint32_t length;
    if (explicitVr_) {
      std::uint8_t chars[2];
      std::uint16_t shortLength;
      if (!in_.ReadBytes(chars, 2) || !in_.ReadU16(shortLength)) {
        return Fail(CodecStatus::ValueNotDelivered, consumed);
      }
      vr = MakeVr(static_cast<char>(chars[0]), static_cast<char>(chars[1]));
      length = shortLength;
      consumed += 4;
    }
    if (!explicitVr_ || RulesFor(vr).longLength) {
      if (!in_.ReadU32(length)) return Fail(CodecStatus::ValueNotDelivered, consumed);
      consumed += 4;
    }
    if (!explicitVr_ && group != 0x0000) vr = ImplicitVr(tag);

    // An empty value, a sequence of length 0 included: it is written back as its header alone.
    if (length == 0) {
      element.value = vr == vr::SQ ? std::make_shared<const ElementValue>(Sequence{}, 0)
                                   : std::make_shared<const ElementValue>(vr);
      return consumed;
    }
    // Pixel data of undefined length is fragments in any syntax: it is never a sequence, and
    // reading it so lets a file that wrongly says it is plain be listed all the same.
    if (tag == kPixelDataTag && length == kUndefinedLength) {
      auto pixels = std::make_shared<EncapsulatedPixelData>();
      consumed += ReadFragments(*pixels);
      if (status_ == CodecStatus::Good) {
        element.value = std::make_shared<const ElementValue>(vr, std::move(pixels));
      }
      return consumed;
    }
    if (length == kUndefinedLength || vr == vr::SQ) {
      Sequence items;
      consumed += ReadSequence(items, length == kUndefinedLength ? kNoLimit : length);
      // A sequence that failed part-way is left out, like any other value cut short.
      if (status_ == CodecStatus::Good) {
        element.value = std::make_shared<const ElementValue>(std::move(items), kUndefinedLength);
      }
      return consumed;
    }
    std::uint64_t offset = 0;
    if (std::shared_ptr<const ValueSource> source = in_.Defer(length, offset, false)) {
      element.value = std::make_shared<const ElementValue>(
          vr, length, DeferredBytes{std::move(source), offset, bigEndian_});
      return consumed + length;
    }
    // The whole value must be there before anything is allocated for it.
    std::unique_ptr<std::uint8_t[]> data = in_.ReadValue(length);
    if (!data) return Fail(CodecStatus::ValueNotDelivered, consumed);
    const unsigned unit = RulesFor(vr).swapUnit;
    if (bigEndian_ && unit > 1) SwapUnits(data.get(), length, unit);
    element.value = std::make_shared<const ElementValue>(vr, length, std::move(data));
    return consumed + length;
  }

 private:
  static constexpr std::uint64_t kNoLimit = ~std::uint64_t{0};

  std::uint64_t Fail(CodecStatus status, std::uint64_t consumed) {
    if (status_ == CodecStatus::Good) {
      status_ = status;
      failedTag_ = currentTag_;
    }
    return consumed;
  }

  // Implicit VR: pixel, overlay, curve and palette data by rule, everything else by dictionary.
  static VrCode ImplicitVr(Tag tag) {
    switch (tag) {
      case kPixelDataTag:
      case 0x00281201:
      case 0x00281202:
      case 0x00281203:
      case 0x00281221:
      case 0x00281222:
      case 0x00281223:
        return vr::OW;
      default:
        break;
    }
    if (IsOverlayData(tag)) return vr::OW;
    if (IsCurveData(tag)) return vr::OB;
    VrCode vr = vr::UN;
    DataDictionary::Instance().Lookup(tag, vr);
    return vr;
  }

  // The tag and length of the next item or delimiter; false when the input ends first.
  bool ReadItemHeader(Tag& tag, std::uint32_t& length) {
    std::uint16_t group, number;
    if (!in_.ReadU16(group) || !in_.ReadU16(number) || !in_.ReadU32(length)) return false;
    tag = MakeTag(group, number);
    return true;
  }

  std::uint64_t ReadSequence(Sequence& items, std::uint64_t limit) {
    std::uint64_t consumed = 0;
    while (status_ == CodecStatus::Good && consumed < limit) {
      Tag tag;
      std::uint32_t length;
      if (!ReadItemHeader(tag, length)) return Fail(CodecStatus::ValueNotDelivered, consumed);
      consumed += 8;
      if (tag == kSequenceDelimitationTag) {
        return length == 0 ? consumed : Fail(CodecStatus::DelimiterWithLength, consumed);
      }
      if (tag != kItemTag) return Fail(CodecStatus::UnexpectedTagInSequence, consumed);
      if (depth_ >= kMaxNestingDepth) return Fail(CodecStatus::NestingTooDeep, consumed);
      auto item = std::make_shared<DataSet>();
      ++depth_;
      consumed += ReadDataSet(*item, length == kUndefinedLength ? kNoLimit : length);
      --depth_;
      items.push_back(std::move(item));
    }
    return consumed;
  }

  // The offset table item, then the fragments, up to the sequence delimitation. Each item's bytes
  // are read only when the input really holds them.
  std::uint64_t ReadFragments(EncapsulatedPixelData& pixels) {
    std::uint64_t consumed = 0;
    for (bool table = true;; table = false) {
      Tag tag;
      std::uint32_t length;
      if (!ReadItemHeader(tag, length)) return Fail(CodecStatus::ValueNotDelivered, consumed);
      consumed += 8;
      if (tag == kSequenceDelimitationTag) {
        return length == 0 ? consumed : Fail(CodecStatus::DelimiterWithLength, consumed);
      }
      if (tag != kItemTag) return Fail(CodecStatus::NotAFragment, consumed);
      if (length % 2 != 0) return Fail(CodecStatus::OddFragmentLength, consumed);
      if (table && length % 4 != 0) return Fail(CodecStatus::BadOffsetTable, consumed);
      std::uint64_t offset = 0;
      std::shared_ptr<const ValueSource> source;
      if (!table && length > 0 && (source = in_.Defer(length, offset, true))) {
        pixels.source = std::move(source);
        pixels.fragments.push_back({length, nullptr, offset});
        consumed += length;
        continue;
      }
      std::unique_ptr<std::uint8_t[]> data;
      if (length > 0 && !(data = in_.ReadValue(length))) {
        return Fail(CodecStatus::ValueNotDelivered, consumed);
      }
      consumed += length;
      if (!table) {
        pixels.fragments.push_back({length, std::move(data)});
        continue;
      }
      pixels.offsetTable.resize(length / 4);
      for (std::size_t i = 0; i < pixels.offsetTable.size(); ++i) {
        const std::uint8_t* bytes = data.get() + 4 * i;
        pixels.offsetTable[i] = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
      }
    }
  }

  Source& in_;
  bool explicitVr_;
  bool bigEndian_;
  unsigned depth_ = 0;
  CodecStatus status_ = CodecStatus::Good;
  Tag currentTag_ = 0;
  Tag failedTag_ = 0;
};

}  // namespace dicom::codec
