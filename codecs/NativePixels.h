#pragma once

#include <string_view>

#include "codecs/PixelDecoder.h"
#include "data/DataSet.h"

// An object with compressed pixel data turned into one with native samples, for every caller that
// must hand it on uncompressed: the decompress command, the store that falls back to an
// uncompressed context, and the image export.
namespace dicom::codecs {

// `native` receives every element of `source` but the pixel data, decoded frame by frame under the
// transfer syntax into native little-endian samples (OW for 16 bits allocated, else OB), with the
// photometric interpretation of the decoded samples and, for colour, planar configuration 0. The
// extended offset table goes, as it only points into fragments; Lossy Image Compression stays as it
// was. A failure names the syntax and the frame, and leaves `native` empty.
DecodeResult DecompressPixelData(const DataSet& source, std::string_view transferSyntaxUid,
                                 DataSet& native);

}  // namespace dicom::codecs
