#pragma once

#include "data/Tag.h"

namespace dicom {

// The attributes that describe an image's pixels, which the pixel codecs and the displays read.
constexpr Tag kSamplesPerPixelTag = MakeTag(0x0028, 0x0002);
constexpr Tag kPhotometricInterpretationTag = MakeTag(0x0028, 0x0004);
constexpr Tag kPlanarConfigurationTag = MakeTag(0x0028, 0x0006);
constexpr Tag kNumberOfFramesTag = MakeTag(0x0028, 0x0008);
constexpr Tag kRowsTag = MakeTag(0x0028, 0x0010);
constexpr Tag kColumnsTag = MakeTag(0x0028, 0x0011);
constexpr Tag kBitsAllocatedTag = MakeTag(0x0028, 0x0100);
constexpr Tag kBitsStoredTag = MakeTag(0x0028, 0x0101);
constexpr Tag kHighBitTag = MakeTag(0x0028, 0x0102);
constexpr Tag kPixelRepresentationTag = MakeTag(0x0028, 0x0103);

}  // namespace dicom
