#pragma once

#include <cstdint>
#include <string_view>

#include "codecs/PixelDecoder.h"
#include "data/DataSet.h"

// The frames of a data set's pixel data, for callers that hold a whole object: the pixel
// description read from the data set, and a frame decoded from its fragments.
namespace dicom::codecs {

// The image pixel attributes of the data set, with the defaults an absent one has: one sample,
// no planar configuration, MONOCHROME2 for one sample and RGB for three, one frame.
PixelDescription DescribePixels(const DataSet& dataSet);

// Frame `frame` (from 0) of the data set's encapsulated pixel data, decoded under the transfer
// syntax. A failure names the syntax and the frame.
DecodeResult DecodePixelFrame(const DataSet& dataSet, std::string_view transferSyntaxUid,
                              std::uint32_t frame, DecodedFrame& decoded);

}  // namespace dicom::codecs
