// Peak resident memory of reading one stored file, as a ratio to the file's size.
//
//   peak_memory write <path> <MiB> [<overlay MiB>]
//                                     writes an image with that much pixel data and overlay data
//                                     (our DicomFile)
//   peak_memory ours <path>           DicomFile::Read
//   peak_memory dcmtk <path>          DcmFileFormat::loadFile reading every value
//   peak_memory dcmtk_lazy <path>     loadFile with DCMTK's default, large values left on disk
//
// Prints one line of key=value pairs. The baseline is the peak before the read, after the
// dictionary of each side is loaded; delta_ratio = (peak after - baseline) / file size.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchData.h"
#include "data/DataDictionary.h"
#include "data/DicomFile.h"

namespace {

long PeakKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Usage() {
  std::fprintf(stderr,
               "usage: peak_memory write <path> <MiB> [<overlay MiB>] | ours|dcmtk|dcmtk_lazy "
               "<path>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string mode = argv[1];
  const std::string path = argv[2];

  if (mode == "write") {
    if (argc < 4) return Usage();
    const auto pixels = static_cast<std::uint32_t>(std::stoul(argv[3]) * bench::kMiB);
    const auto overlay =
        static_cast<std::uint32_t>(argc > 4 ? std::stoul(argv[4]) * bench::kMiB : 0);
    return bench::WriteFile(path, bench::MakeImage(pixels, overlay),
                            "1.2.826.0.1.3680043.9.7433.3.1")
               ? 0
               : 1;
  }

  const auto fileBytes = std::filesystem::file_size(path);
  bool ok = false;
  std::string error;
  long baseline = 0;
  if (mode == "ours") {
    dicom::VrCode vr = dicom::vr::UN;
    dicom::DataDictionary::Instance().Lookup(0x00100010, vr);
    baseline = PeakKib();
    dicom::DicomFile file;
    file.open(path, std::ios::in | std::ios::binary);
    dicom::DataSet dataSet;
    ok = file.Read(dataSet);
    if (!ok) error = dicom::Describe(file.Status());
  } else if (mode == "dcmtk" || mode == "dcmtk_lazy") {
    bench::InitDcmtk();
    baseline = PeakKib();
    DcmFileFormat file;
    const OFCondition status = file.loadFile(path.c_str(), EXS_Unknown, EGL_noChange,
                                             mode == "dcmtk" ? 0xFFFFFFFF : DCM_MaxReadLength);
    ok = status.good();
    if (!ok) error = status.text();
  } else {
    return Usage();
  }
  const long peak = PeakKib();
  const double fileKib = static_cast<double>(fileBytes) / 1024.0;
  std::printf(
      "side=%s file_bytes=%llu baseline_kib=%ld peak_kib=%ld delta_ratio=%.3f total_ratio=%.3f "
      "ok=%d error=\"%s\"\n",
      mode.c_str(), static_cast<unsigned long long>(fileBytes), baseline, peak,
      static_cast<double>(peak - baseline) / fileKib, static_cast<double>(peak) / fileKib,
      ok ? 1 : 0, error.c_str());
  return 0;
}
