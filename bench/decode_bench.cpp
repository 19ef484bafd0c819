// Decodes one frame's code stream through the codec layer again and again and prints the fastest
// run in milliseconds: the cores are shared, and other work only ever adds time.
//   decode_bench UID FRAME ROWS COLUMNS SAMPLES BITS_ALLOCATED BITS_STORED [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "codecs/PixelDecoder.h"

int main(int argc, char** argv) {
  if (argc < 8) {
    std::fprintf(stderr,
                 "usage: decode_bench UID FRAME ROWS COLUMNS SAMPLES BITS_ALLOCATED BITS_STORED "
                 "[RUNS]\n");
    return 2;
  }
  std::ifstream file(argv[2], std::ios::binary);
  const std::vector<std::uint8_t> frame{std::istreambuf_iterator<char>(file),
                                        std::istreambuf_iterator<char>()};
  const auto number = [&](int i) { return static_cast<std::uint32_t>(std::atoi(argv[i])); };
  dicom::codecs::PixelDescription description;
  description.rows = number(3);
  description.columns = number(4);
  description.samplesPerPixel = number(5);
  description.bitsAllocated = number(6);
  description.bitsStored = number(7);
  description.photometricInterpretation = description.samplesPerPixel == 3 ? "RGB" : "MONOCHROME2";
  const int runs = argc > 8 ? std::atoi(argv[8]) : 5;
  double fastest = 1e30;
  for (int run = 0; run < runs; ++run) {
    dicom::codecs::DecodedFrame decoded;
    const auto start = std::chrono::steady_clock::now();
    const dicom::codecs::DecodeResult result =
        dicom::codecs::DecodeFrame(argv[1], frame, description, decoded);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (!result.Ok()) {
      std::fprintf(stderr, "%s\n", result.reason.c_str());
      return 1;
    }
    fastest = std::min(fastest, took.count());
  }
  std::printf("%.1f\n", fastest);
  return 0;
}
