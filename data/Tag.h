#pragma once

#include <cstdint>

namespace dicom {

// Group number in the high 16 bits, element number in the low 16; ordered as an unsigned number.
using Tag = std::uint32_t;

constexpr Tag MakeTag(std::uint16_t group, std::uint16_t element) {
  return (Tag{group} << 16) | element;
}
constexpr std::uint16_t TagGroup(Tag tag) {
  return static_cast<std::uint16_t>(tag >> 16);
}
constexpr std::uint16_t TagElement(Tag tag) {
  return static_cast<std::uint16_t>(tag);
}

// Repeating groups 50xx and 60xx are matched with the low byte of the group cleared.
constexpr Tag kRepeatingGroupMask = 0xFF00FFFF;

constexpr Tag kItemTag = 0xFFFEE000;
constexpr Tag kItemDelimitationTag = 0xFFFEE00D;
constexpr Tag kSequenceDelimitationTag = 0xFFFEE0DD;
constexpr Tag kTrailingPaddingTag = 0xFFFCFFFC;
constexpr Tag kPixelDataTag = 0x7FE00010;
constexpr Tag kOverlayDataTag = 0x60003000;
constexpr Tag kCurveDataTag = 0x50003000;

constexpr bool IsGroupLength(Tag tag) {
  return TagElement(tag) == 0;
}
constexpr bool IsOverlayData(Tag tag) {
  return (tag & kRepeatingGroupMask) == kOverlayDataTag;
}
constexpr bool IsCurveData(Tag tag) {
  return (tag & kRepeatingGroupMask) == kCurveDataTag;
}

}  // namespace dicom
