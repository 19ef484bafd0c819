// Writes stored objects for the network command benchmarks: Secondary Capture images in explicit
// VR little endian, written with our DicomFile, each with its own SOP instance UID.
//
//   make_objects <dir> <count> <pixel KiB> [<overlay KiB>]
//   make_objects <dir> <count> <pixel KiB> frames     multi-frame, one pixel data value
//
// Files are <dir>/obj000.dcm, obj001.dcm, ...; prints their total size in bytes.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "bench/BenchData.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: make_objects <dir> <count> <pixel KiB> [<overlay KiB> | frames]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const unsigned long count = std::stoul(argv[2]);
  const auto pixels = static_cast<std::uint32_t>(std::stoul(argv[3]) * 1024);
  const bool frames = argc > 4 && std::string_view(argv[4]) == "frames";
  const auto overlay =
      static_cast<std::uint32_t>(argc > 4 && !frames ? std::stoul(argv[4]) * 1024 : 0);

  std::filesystem::create_directories(dir);
  const dicom::DataSet image =
      frames ? bench::MakeMultiFrame(pixels) : bench::MakeImage(pixels, overlay);
  const std::string_view sopClass = frames ? bench::kMultiFrameCapture : bench::kSecondaryCapture;
  std::uintmax_t total = 0;
  for (unsigned long i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "obj%03lu.dcm", i);
    const std::string path = (dir / name).string();
    if (!bench::WriteObject(path, image, "1.2.826.0.1.3680043.9.7433.5." + std::to_string(i + 1),
                            sopClass)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    total += std::filesystem::file_size(path);
  }
  std::printf("%ju\n", total);
  return 0;
}
