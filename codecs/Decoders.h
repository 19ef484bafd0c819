#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "codecs/DecoderRegistry.h"

// The decoders behind the registry, one file each, and what they share.
namespace dicom::codecs {

DecodeResult DecodeJpegBaseline(const FrameJob& job);
DecodeResult DecodeJpegLossless(const FrameJob& job);
DecodeResult DecodeJpegLs(const FrameJob& job);
DecodeResult DecodeJpeg2000(const FrameJob& job);
DecodeResult DecodeRle(const FrameJob& job);

DecodeResult Failure(DecodeStatus status, std::string reason);

// What a code stream's header says about the image it holds.
struct CodeStreamGeometry {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t components = 0;
  std::uint32_t precision = 0;
};

// Mismatch unless the code stream's image has the data set's rows, columns and samples per pixel
// and a precision that fits the bits allocated. `what` names the code stream in the reason.
DecodeResult CheckGeometry(const FrameJob& job, const CodeStreamGeometry& geometry,
                           std::string_view what);

// Whether the code stream starts as a JPEG, JPEG 2000 or JP2 stream does but does not end with its
// EOI (or EOC) marker, zero padding aside: a library's error on it is reported as truncation.
bool LooksTruncated(std::span<const std::uint8_t> codeStream);

// Writes a sample at index i of a 16-bit output, little-endian whatever the host.
inline void Store16(std::uint8_t* out, std::size_t i, std::uint32_t value) {
  out[2 * i] = static_cast<std::uint8_t>(value);
  out[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace dicom::codecs
