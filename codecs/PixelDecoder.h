#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Decoding one frame of compressed pixel data into native samples. Callers never see a type of the
// libraries underneath; every failure comes back as a DecodeResult.
namespace dicom::codecs {

// The image pixel attributes of a data set, as far as decoding needs them.
struct PixelDescription {
  std::uint32_t rows = 0;
  std::uint32_t columns = 0;
  std::uint32_t samplesPerPixel = 1;
  std::uint32_t bitsAllocated = 8;
  std::uint32_t bitsStored = 8;
  std::uint32_t pixelRepresentation = 0;  // 0 unsigned, 1 two's complement
  std::uint32_t planarConfiguration = 0;  // 0 interleaved, 1 one plane per sample
  std::string photometricInterpretation = "MONOCHROME2";
  std::uint32_t numberOfFrames = 1;
};

enum class DecodeStatus : std::uint32_t {
  Good = 0,
  UnsupportedSyntax = 1,       // no decoder for the transfer syntax, or a variant of it we refuse
  UnsupportedDescription = 2,  // the pixel description cannot be decoded into (bits allocated, ...)
  Mismatch = 3,                // the code stream's size, depth or component count differs
  Truncated = 4,               // the code stream ends before the image does
  Corrupt = 5,                 // the code stream is malformed, or the library reported an error
};

std::string_view Describe(DecodeStatus status);

struct DecodeResult {
  DecodeStatus status = DecodeStatus::Good;
  std::string reason;  // empty when good
  bool Ok() const { return status == DecodeStatus::Good; }
};

// Frames larger than this are refused before anything is allocated for them.
constexpr std::size_t kMaxFrameBytes = std::size_t{1} << 30;

// The bytes of one decoded frame (rows x columns x samples x bits allocated / 8), checked against
// overflow and kMaxFrameBytes. Only 8 and 16 bits allocated are decoded.
DecodeResult FrameSize(const PixelDescription& description, std::size_t& bytes);

// What a decoder hands back: native little-endian samples, interleaved (planar configuration 0),
// and the description of those samples. The photometric interpretation is the one after the
// decoder's colour conversion: JPEG's YBR_FULL and YBR_FULL_422 and JPEG 2000's YBR_RCT and YBR_ICT
// come out as RGB; the lossless syntaxes keep the samples as they were encoded.
struct DecodedFrame {
  std::vector<std::uint8_t> samples;
  PixelDescription description;
};

// Decodes one frame's code stream (all its fragments joined) under the transfer syntax. The output
// is sized from the description, after the description and the code stream's own header agree.
DecodeResult DecodeFrame(std::string_view transferSyntaxUid,
                         std::span<const std::uint8_t> codeStream,
                         const PixelDescription& description, DecodedFrame& frame);
// The same into the caller's buffer, which must hold exactly FrameSize(description) bytes: frames
// of one object decoded straight into their place in its native pixel data.
DecodeResult DecodeFrameInto(std::string_view transferSyntaxUid,
                             std::span<const std::uint8_t> codeStream,
                             const PixelDescription& description, std::span<std::uint8_t> output,
                             PixelDescription& outputDescription);

}  // namespace dicom::codecs
