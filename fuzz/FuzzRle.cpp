// Decodes an RLE frame. The first three bytes describe the image: bit 0 of the first chooses 16
// bits allocated, bit 1 three samples per pixel; the next two are the rows and columns less one.
#include <cstdint>
#include <cstdlib>

#include "codecs/PixelDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint32_t bits = (data[0] & 1) ? 16 : 8;
  const std::uint32_t samples = (data[0] & 2) ? 3 : 1;
  const dicom::codecs::PixelDescription description{
      data[1] + 1u, data[2] + 1u, samples, bits, bits, 0, 0, samples == 3 ? "RGB" : "MONOCHROME2"};
  dicom::codecs::DecodedFrame frame;
  const dicom::codecs::DecodeResult result =
      dicom::codecs::DecodeFrame("1.2.840.10008.1.2.5", {data + 3, size - 3}, description, frame);
  std::size_t bytes = 0;
  dicom::codecs::FrameSize(description, bytes);
  if (result.Ok() != (frame.samples.size() == bytes)) std::abort();
  return 0;
}
