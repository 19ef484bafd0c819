// Reading stored files: our DicomFile::Read against DCMTK's DcmFileFormat::loadFile, on the same
// Explicit VR Little Endian files written by us into a temporary directory (removed at the end).
// Files are read once before the runs so that both sides read from the page cache.
//
// Names: file/<side>/<set>, wall time of the reads, data sets destroyed inside the timing on both
// sides.
//   big64      one image with 32 MiB of pixel data and 32 MiB of overlay data
//   series200  200 images of 512x512x16 bits (0.5 MiB each)
//   ours        DicomFile::Read
//   dcmtk       loadFile with maxReadLength at its maximum: every value is read, as ours are
//   dcmtk_lazy  loadFile with DCMTK's default: values above 4 KiB stay on disk until asked for

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "bench/Timed.h"
#include "data/DicomFile.h"

namespace {

namespace fs = std::filesystem;

struct FileSet {
  std::string name;
  std::uint32_t pixelBytes;
  std::uint32_t overlayBytes;
  std::vector<std::string> paths;
  std::uint64_t bytes = 0;
};

bool OursHas(const dicom::DataSet& dataSet, dicom::Tag tag, std::uint32_t bytes) {
  const dicom::ValuePtr value = dataSet.GetValue(tag);
  return bytes == 0 || (value && value->Length() == bytes);
}

bool ReadOurs(const std::string& path, const FileSet& set, std::string& error) {
  dicom::DicomFile file;
  file.open(path, std::ios::in | std::ios::binary);
  dicom::DataSet dataSet;
  if (!file.Read(dataSet)) {
    error = "DicomFile::Read: " + std::string(dicom::Describe(file.Status()));
    return false;
  }
  if (!OursHas(dataSet, dicom::kPixelDataTag, set.pixelBytes) ||
      !OursHas(dataSet, dicom::kOverlayDataTag, set.overlayBytes)) {
    error = "pixel or overlay data missing";
    return false;
  }
  return true;
}

bool DcmtkHas(DcmDataset& dataSet, const DcmTagKey& tag, std::uint32_t bytes) {
  DcmElement* element = nullptr;
  return bytes == 0 ||
         (dataSet.findAndGetElement(tag, element).good() && element->getLength() == bytes);
}

bool ReadDcmtk(const std::string& path, const FileSet& set, bool lazy, std::string& error) {
  DcmFileFormat file;
  const OFCondition status =
      file.loadFile(path.c_str(), EXS_Unknown, EGL_noChange, lazy ? DCM_MaxReadLength : 0xFFFFFFFF);
  if (status.bad()) {
    error = std::string("loadFile: ") + status.text();
    return false;
  }
  if (!DcmtkHas(*file.getDataset(), DCM_PixelData, set.pixelBytes) ||
      !DcmtkHas(*file.getDataset(), DCM_OverlayData, set.overlayBytes)) {
    error = "pixel or overlay data missing";
    return false;
  }
  return true;
}

template <class Reader>
void ReadSet(benchmark::State& state, const FileSet& set, Reader read) {
  bench::Timed timed(state, set.bytes, set.paths.size());
  std::string error;
  for (auto _ : state) {
    timed.Start();
    for (const std::string& path : set.paths) {
      if (!read(path, set, error)) break;
    }
    timed.Stop();
    if (!error.empty()) {
      timed.Fail(error);
      break;
    }
  }
}

// Removes the directory whatever happens after it was made.
struct TempDir {
  fs::path path;
  ~TempDir() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
};

void Add(FileSet& set, const std::string& path, const dicom::DataSet& dataSet, std::size_t n) {
  if (!bench::WriteFile(path, dataSet, "1.2.826.0.1.3680043.9.7433.2." + std::to_string(n + 1))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  set.paths.push_back(path);
  set.bytes += fs::file_size(path);
}

void WarmUp(const FileSet& set) {
  std::vector<char> buffer(bench::kMiB);
  for (const std::string& path : set.paths) {
    std::ifstream in(path, std::ios::binary);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::InitDcmtk();

  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/dicomnet-bench-XXXXXX";
  TempDir dir;
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  dir.path = pattern;

  static std::deque<FileSet> sets;
  {
    FileSet& set =
        sets.emplace_back(FileSet{"big64", bench::kBigPixelBytes, bench::kBigOverlayBytes, {}, 0});
    Add(set, (dir.path / (set.name + ".dcm")).string(),
        bench::MakeImage(set.pixelBytes, set.overlayBytes), 0);
  }
  {
    FileSet& set = sets.emplace_back(FileSet{"series200", 512 * 512 * 2, 0, {}, 0});
    const dicom::DataSet image = bench::MakeImage(set.pixelBytes);
    for (std::size_t i = 0; i < 200; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "img%03zu.dcm", i);
      Add(set, (dir.path / name).string(), image, i);
    }
  }
  for (const FileSet& set : sets) {
    WarmUp(set);
    std::fprintf(stderr, "files %s: %zu files, %llu bytes\n", set.name.c_str(), set.paths.size(),
                 static_cast<unsigned long long>(set.bytes));
  }

  for (const FileSet& set : sets) {
    const auto add = [&](const std::string& side, auto reader) {
      auto* b = benchmark::RegisterBenchmark(
                    ("file/" + side + "/" + set.name).c_str(),
                    [&set, reader](benchmark::State& s) { ReadSet(s, set, reader); })
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
      // The big files mostly wait for fresh pages; the series varies more with the load.
      if (set.paths.size() == 1) {
        bench::Repeat(b, 3)->MinTime(0.5);
      } else {
        bench::Repeat(b, 5)->MinTime(0.3);
      }
    };
    add("ours", ReadOurs);
    add("dcmtk", [](const std::string& p, const FileSet& f, std::string& e) {
      return ReadDcmtk(p, f, false, e);
    });
    add("dcmtk_lazy", [](const std::string& p, const FileSet& f, std::string& e) {
      return ReadDcmtk(p, f, true, e);
    });
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
