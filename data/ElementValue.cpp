#include "data/ElementValue.h"

#include <sys/mman.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "data/DataSet.h"
#include "data/VrRules.h"

static_assert(std::endian::native == std::endian::little, "values are held in little-endian order");

namespace dicom {
namespace {

template <typename T>
ElementValue FromNumber(VrCode vr, T value) {
  auto data = std::make_unique_for_overwrite<std::uint8_t[]>(sizeof(T));
  std::memcpy(data.get(), &value, sizeof(T));
  return ElementValue(vr, sizeof(T), std::move(data));
}

}  // namespace

std::unique_ptr<std::uint8_t[]> AllocateValueBuffer(std::uint32_t length) {
  auto data = std::make_unique_for_overwrite<std::uint8_t[]>(length);
  // Pixel data is written once from end to end right after this; on huge pages that costs a
  // fraction of the page faults.
  constexpr std::uintptr_t kHugePage = 2 << 20;
  if (length >= 2 * kHugePage) {
    const auto start = reinterpret_cast<std::uintptr_t>(data.get());
    const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + length) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
  return data;
}

ElementValue::ElementValue(VrCode vr, std::string_view text) : vr_(vr) {
  if (text.empty()) return;
  length_ = static_cast<std::uint32_t>(text.size() + (text.size() & 1));
  data_ = std::make_unique_for_overwrite<std::uint8_t[]>(length_);
  std::memcpy(data_.get(), text.data(), text.size());
  if (text.size() & 1) data_[length_ - 1] = static_cast<std::uint8_t>(RulesFor(vr).padByte);
}

ElementValue::ElementValue(Sequence items) : vr_(vr::SQ) {
  length_ = items.empty() ? 0 : kUndefinedLength;
  items_ = std::make_unique<Sequence>(std::move(items));
}

ElementValue::ElementValue(Sequence items, std::uint32_t length)
    : vr_(vr::SQ), length_(length), items_(std::make_unique<Sequence>(std::move(items))) {}

ElementValue ElementValue::FromUS(std::uint16_t value) {
  return FromNumber(vr::US, value);
}
ElementValue ElementValue::FromSS(std::int16_t value) {
  return FromNumber(vr::SS, value);
}
ElementValue ElementValue::FromUL(std::uint32_t value) {
  return FromNumber(vr::UL, value);
}
ElementValue ElementValue::FromSL(std::int32_t value) {
  return FromNumber(vr::SL, value);
}
ElementValue ElementValue::FromFL(float value) {
  return FromNumber(vr::FL, value);
}
ElementValue ElementValue::FromFD(double value) {
  return FromNumber(vr::FD, value);
}

template <typename T>
bool ElementValue::Number(T& out, std::uint32_t i) const {
  const std::uint64_t end = (std::uint64_t{i} + 1) * sizeof(T);
  if (data_ == nullptr || end > length_) return false;
  std::memcpy(&out, data_.get() + end - sizeof(T), sizeof(T));
  return true;
}

template bool ElementValue::Number(std::uint16_t&, std::uint32_t) const;
template bool ElementValue::Number(std::int16_t&, std::uint32_t) const;
template bool ElementValue::Number(std::uint32_t&, std::uint32_t) const;
template bool ElementValue::Number(std::int32_t&, std::uint32_t) const;
template bool ElementValue::Number(float&, std::uint32_t) const;
template bool ElementValue::Number(double&, std::uint32_t) const;

std::string ElementValue::Text(VrCode vr) const {
  if (length_ == 0 || data_ == nullptr) return {};
  std::string_view text(reinterpret_cast<const char*>(data_.get()), length_);
  switch (RulesFor(vr).trim) {
    case Trim::TrailingNul:
      text.remove_suffix(text.size() - (text.find_last_not_of('\0') + 1));
      break;
    case Trim::LeadingAndTrailing:
      text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
      [[fallthrough]];
    case Trim::Trailing:
      text.remove_suffix(text.size() - (text.find_last_not_of(' ') + 1));
      break;
    case Trim::None:
      break;
  }
  return std::string(text);
}

std::string ElementValue::TextValue(VrCode vr, std::uint32_t n) const {
  const std::string text = Text(vr);
  std::size_t start = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    start = text.find('\\', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  return text.substr(start, text.find('\\', start) - start);
}

}  // namespace dicom
