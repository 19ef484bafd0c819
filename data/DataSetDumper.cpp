#include "data/DataSetDumper.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "data/DataDictionary.h"

namespace dicom {

template <typename... Args>
void DataSetDumper::Print(const char* format, Args... args) {
  char line[256];
  const int length = std::snprintf(line, sizeof line, format, args...);
  if (length > 0) out_.write(line, std::min<int>(length, sizeof line - 1));
}

void DataSetDumper::Dump(const DataSet& dataSet) {
  for (const auto& [tag, value] : dataSet)
    DumpElement(tag, *value);
}

void DataSetDumper::DumpElement(Tag tag, const ElementValue& value) {
  const Sequence* items = value.Items();
  if (format_.indent == nullptr && items != nullptr) {
    for (const ItemPtr& item : *items)
      Dump(*item);
    return;
  }
  VrCode shown = vr::UN;
  const char* name = format_.unknownName;
  DataDictionary::Instance().Lookup(tag, shown, &name);
  if (value.Vr() != vr::UN) shown = value.Vr();
  DumpHeader(tag, shown, value.Length(), name);

  if (const EncapsulatedPixelData* pixels = value.Encapsulated()) {
    out_ << format_.sequenceText << format_.endOfLine;
    ++depth_;
    DumpFragments(*pixels);
    --depth_;
    return;
  }
  if (items != nullptr) {
    ++depth_;
    out_ << format_.sequenceText << format_.endOfLine;
    for (const ItemPtr& item : *items)
      Dump(*item);
    --depth_;
    return;
  }
  DumpValue(shown == vr::UN ? format_.vrForUn : shown, value);
  out_ << format_.endOfLine;
}

void DataSetDumper::DumpHeader(Tag tag, VrCode vr, std::uint32_t length, const char* name) {
  if (format_.indent != nullptr) {
    for (unsigned i = 0; i < depth_; ++i)
      out_ << format_.indent;
  }
  Print(format_.tagFormat, unsigned{TagGroup(tag)}, unsigned{TagElement(tag)});
  if (format_.vrFormat) Print(format_.vrFormat, VrFirst(vr), VrSecond(vr));
  if (format_.lengthFormat) Print(format_.lengthFormat, static_cast<int>(length));
  if (format_.nameFormat) Print(format_.nameFormat, name);
  out_ << format_.separator;
}

void DataSetDumper::DumpFragments(const EncapsulatedPixelData& pixels) {
  const auto count = static_cast<std::uint32_t>(pixels.offsetTable.size());
  DumpHeader(kItemTag, vr::UL, 4 * count, format_.offsetTableName);
  const std::uint32_t shown = std::min(count, format_.valueLimit);
  for (std::uint32_t i = 0; i < shown; ++i)
    Print(format_.ulFormat, unsigned{pixels.offsetTable[i]});
  if (shown < count) out_ << format_.ellipsis;
  out_ << format_.endOfLine;
  for (const EncapsulatedPixelData::Fragment& fragment : pixels.fragments) {
    DumpHeader(kItemTag, vr::OB, fragment.length, format_.fragmentName);
    DumpBytes(fragment.data.get(), fragment.length);
    out_ << format_.endOfLine;
  }
}

void DataSetDumper::DumpBytes(const std::uint8_t* data, std::uint32_t length) {
  // Bytes left in their file are not at hand: only the ellipsis says they are there.
  const std::uint32_t shown = data != nullptr ? std::min(length, format_.byteLimit) : 0;
  for (std::uint32_t i = 0; i < shown; ++i)
    Print(format_.obFormat, unsigned{data[i]});
  if (shown < length) out_ << format_.ellipsis;
}

template <typename T, typename Shown>
void DataSetDumper::DumpNumbers(const ElementValue& value, const char* format) {
  const std::uint32_t count = value.Length() / sizeof(T);
  const std::uint32_t shown = std::min(count, format_.valueLimit);
  for (std::uint32_t i = 0; i < shown; ++i) {
    T number;
    std::memcpy(&number, value.Data() + i * sizeof(T), sizeof(T));
    Print(format, static_cast<Shown>(number));
  }
  if (shown < count) out_ << format_.ellipsis;
}

void DataSetDumper::DumpValue(VrCode vr, const ElementValue& value) {
  if (value.Deferred() != nullptr) {
    out_ << format_.ellipsis;
    return;
  }
  switch (vr) {
    case vr::SQ:
      out_ << format_.sequenceText;
      return;
    case vr::OB:
      return DumpBytes(value.Data(), value.Length());
    case vr::OW:
      return DumpNumbers<std::uint16_t, unsigned>(value, format_.owFormat);
    case vr::US:
      return DumpNumbers<std::uint16_t, unsigned>(value, format_.usFormat);
    case vr::SS:
      return DumpNumbers<std::int16_t, int>(value, format_.ssFormat);
    case vr::UL:
      return DumpNumbers<std::uint32_t, unsigned>(value, format_.ulFormat);
    case vr::SL:
      return DumpNumbers<std::int32_t, int>(value, format_.slFormat);
    case vr::FL:
      return DumpNumbers<float, double>(value, format_.flFormat);
    case vr::FD:
      return DumpNumbers<double, double>(value, format_.fdFormat);
    case vr::AT: {
      const std::uint32_t count = value.Length() / 4;
      const std::uint32_t shown = std::min(count, format_.valueLimit);
      for (std::uint32_t i = 0; i < shown; ++i) {
        Print(format_.tagFormat, unsigned{value.GetUS(2 * i)}, unsigned{value.GetUS(2 * i + 1)});
      }
      if (shown < count) out_ << format_.ellipsis;
      return;
    }
    default:
      DumpText(value);
  }
}

void DataSetDumper::DumpText(const ElementValue& value) {
  out_ << '"';
  if (value.Length() > 0) {
    const std::uint32_t shown = std::min(value.Length(), format_.textLimit);
    for (std::uint32_t i = 0; i < shown && value.Data()[i] != 0; ++i) {
      const std::uint8_t byte = value.Data()[i];
      out_ << (byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : format_.replacement);
    }
    if (value.Length() > format_.textLimit) out_ << format_.ellipsis;
  }
  out_ << '"';
}

}  // namespace dicom
