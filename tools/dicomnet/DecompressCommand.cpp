#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "codecs/NativePixels.h"
#include "data/DicomFile.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"

namespace dicomnet {
namespace {

constexpr const char* kDecompressUsage =
    "usage: dicomnet decompress IN OUT\n"
    "       dicomnet decompress --output-dir DIR FILE...\n";

constexpr dicom::Tag kSopClassUidTag = 0x00080016;
constexpr dicom::Tag kSopInstanceUidTag = 0x00080018;

// Writes the object of `in` with native pixel data in explicit VR little-endian to `out`; on
// failure `why` names what went wrong (the codec's reason names the syntax and the frame).
bool DecompressFile(const std::string& in, const std::string& out, std::string& why) {
  dicom::DicomFile source;
  dicom::DataSet object;
  if (!ReadObject(in, source, object, why)) return false;
  const std::string syntax =
      source.HasMetaHeader() ? source.Header().SyntaxUid()
                             : std::string(dicom::TransferSyntaxUid(dicom::ImplicitLittleEndian));
  source.close();
  dicom::DataSet native;
  const dicom::codecs::DecodeResult decoded =
      dicom::codecs::DecompressPixelData(object, syntax, native);
  if (!decoded.Ok()) {
    why = decoded.reason;
    return false;
  }
  object.Clear();
  dicom::DicomFile target(native.GetText(kSopClassUidTag, dicom::vr::UI),
                          native.GetText(kSopInstanceUidTag, dicom::vr::UI),
                          dicom::ExplicitLittleEndian);
  target.open(out, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!target.is_open() || !target.Write(native) || (target.close(), target.fail())) {
    why = "cannot write " + out;
    return false;
  }
  return true;
}

}  // namespace

int RunDecompress(std::span<const std::string_view> args) {
  std::vector<std::pair<std::string, std::string>> jobs;  // in, out
  if (args.size() >= 3 && args[0] == "--output-dir") {
    const std::filesystem::path directory(args[1]);
    std::error_code ignored;
    if (!std::filesystem::is_directory(directory, ignored)) {
      std::cerr << "dicomnet decompress: " << directory.string() << " is no directory\n";
      return 1;
    }
    for (std::string_view file : args.subspan(2)) {
      jobs.emplace_back(file, (directory / std::filesystem::path(file).filename()).string());
    }
  } else if (args.size() == 2 && !args[0].starts_with("-") && !args[1].starts_with("-")) {
    jobs.emplace_back(args[0], args[1]);
  } else {
    std::cerr << kDecompressUsage;
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  auto lastProgress = start;
  std::size_t failed = 0;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    std::string why;
    if (!DecompressFile(jobs[i].first, jobs[i].second, why)) {
      std::cerr << "dicomnet decompress: " << jobs[i].first << ": " << why << '\n';
      ++failed;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress >= std::chrono::seconds(2)) {
      std::cerr << "dicomnet decompress: " << i + 1 << " of " << jobs.size() << " files done\n";
      lastProgress = now;
    }
  }
  if (failed > 0 && jobs.size() > 1)
    std::cerr << "dicomnet decompress: " << failed << " of " << jobs.size()
              << " files not decompressed\n";
  return failed > 0 ? 1 : 0;
}

}  // namespace dicomnet
