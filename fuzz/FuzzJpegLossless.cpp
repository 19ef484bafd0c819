// Decodes a JPEG lossless code stream against the description its own frame header gives, so that
// mutations get past the size check and into the scans. Images above a megasample keep the
// small default and fail that check, which keeps every run fast.
#include <cstdint>
#include <cstdlib>

#include "codecs/PixelDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dicom::codecs::PixelDescription description{8, 8, 1, 8, 8, 0, 0, "MONOCHROME2"};
  for (std::size_t i = 0; i + 9 < size; ++i) {
    if (data[i] != 0xFF || data[i + 1] != 0xC3) continue;
    const std::uint32_t precision = data[i + 4];
    const std::uint32_t rows = (data[i + 5] << 8) | data[i + 6];
    const std::uint32_t columns = (data[i + 7] << 8) | data[i + 8];
    const std::uint32_t samples = data[i + 9];
    if (precision >= 1 && precision <= 16 && samples >= 1 && samples <= 3 &&
        std::uint64_t{rows} * columns * samples <= (1u << 20)) {
      description = {rows,      columns, samples, precision > 8 ? 16u : 8u,
                     precision, 0,       0,       samples == 3 ? "RGB" : "MONOCHROME2"};
    }
    break;
  }
  dicom::codecs::DecodedFrame frame;
  const dicom::codecs::DecodeResult result =
      dicom::codecs::DecodeFrame("1.2.840.10008.1.2.4.57", {data, size}, description, frame);
  std::size_t bytes = 0;
  dicom::codecs::FrameSize(description, bytes);
  if (result.Ok() != (frame.samples.size() == bytes && bytes != 0)) std::abort();
  return 0;
}
