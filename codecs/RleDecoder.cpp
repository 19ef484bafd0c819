// RLE lossless: a 64-byte header of little-endian 32-bit words (the number of segments, then up to
// fifteen segment offsets), then one PackBits segment per byte plane of each sample, the most
// significant byte plane of a sample first.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "codecs/Decoders.h"

namespace dicom::codecs {

namespace {

constexpr std::size_t kHeaderBytes = 64;
constexpr std::uint32_t kMaxSegments = 15;

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

// Unpacks one segment into every `stride`-th byte of `plane`, which holds `count` bytes. False when
// the segment ends before the plane is full; bytes beyond the plane (an encoder's padding) are
// ignored.
bool UnpackSegment(std::span<const std::uint8_t> segment, std::uint8_t* plane, std::size_t count,
                   std::size_t stride) {
  const std::uint8_t* in = segment.data();
  const std::uint8_t* const end = in + segment.size();
  std::size_t done = 0;
  while (done < count && in < end) {
    const int control = static_cast<std::int8_t>(*in++);
    if (control >= 0) {
      std::size_t run = static_cast<std::size_t>(control) + 1;
      if (run > static_cast<std::size_t>(end - in)) return false;
      const std::size_t take = std::min(run, count - done);
      if (stride == 1) {
        std::memcpy(plane + done, in, take);
      } else {
        for (std::size_t i = 0; i < take; ++i)
          plane[(done + i) * stride] = in[i];
      }
      in += run;
      done += take;
    } else if (control != -128) {
      if (in == end) return false;
      const std::uint8_t value = *in++;
      const std::size_t take = std::min<std::size_t>(1 - control, count - done);
      if (stride == 1) {
        std::memset(plane + done, value, take);
      } else {
        for (std::size_t i = 0; i < take; ++i)
          plane[(done + i) * stride] = value;
      }
      done += take;
    }
  }
  return done == count;
}

}  // namespace

DecodeResult DecodeRle(const FrameJob& job) {
  const PixelDescription& d = job.description;
  const std::span<const std::uint8_t> in = job.codeStream;
  if (in.size() < kHeaderBytes)
    return Failure(DecodeStatus::Truncated, "the frame is shorter than the 64-byte RLE header");
  const std::uint32_t bytesPerSample = d.bitsAllocated / 8;
  const std::uint32_t expected = d.samplesPerPixel * bytesPerSample;
  const std::uint32_t segments = ReadLe32(in.data());
  if (segments != expected)
    return Failure(DecodeStatus::Mismatch, "the RLE header lists " + std::to_string(segments) +
                                               " segments, the data set " +
                                               std::to_string(expected) + " byte planes");
  std::uint32_t offsets[kMaxSegments + 1];
  for (std::uint32_t i = 0; i < segments; ++i)
    offsets[i] = ReadLe32(in.data() + 4 + 4 * i);
  offsets[segments] = static_cast<std::uint32_t>(std::min<std::size_t>(in.size(), UINT32_MAX));
  for (std::uint32_t i = 0; i < segments; ++i) {
    if (offsets[i] < kHeaderBytes || offsets[i] > offsets[i + 1])
      return Failure(DecodeStatus::Corrupt,
                     "RLE segment " + std::to_string(i + 1) + " starts at " +
                         std::to_string(offsets[i]) + ", outside the frame of " +
                         std::to_string(in.size()) + " bytes or before the segment after it");
  }
  const std::size_t pixels = std::size_t{d.rows} * d.columns;
  for (std::uint32_t i = 0; i < segments; ++i) {
    const std::uint32_t sample = i / bytesPerSample;
    // Little-endian output: the first (most significant) plane goes to the highest byte.
    const std::uint32_t byte = bytesPerSample - 1 - i % bytesPerSample;
    if (!UnpackSegment(in.subspan(offsets[i], offsets[i + 1] - offsets[i]),
                       job.output.data() + sample * bytesPerSample + byte, pixels, expected))
      return Failure(DecodeStatus::Truncated, "RLE segment " + std::to_string(i + 1) +
                                                  " ends before its " + std::to_string(pixels) +
                                                  " bytes");
  }
  return {};
}

}  // namespace dicom::codecs
