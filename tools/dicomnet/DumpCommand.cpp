#include <iostream>
#include <string>

#include "data/DataSetDumper.h"
#include "data/DicomFile.h"
#include "tools/dicomnet/Commands.h"

namespace dicomnet {
namespace {

// Lists one file; on failure says why on standard error and returns false.
bool DumpFile(const std::string& path, bool withName) {
  dicom::DicomFile file;
  file.open(path, std::ios::in | std::ios::binary);
  if (!file.is_open()) {
    std::cerr << "dicomnet dump: " << path << ": cannot open it\n";
    return false;
  }
  dicom::DataSet dataSet;
  const bool read = file.Read(dataSet);
  // Without a meta header, a file whose first element does not decode is not DICOM at all.
  if (!read && !file.HasMetaHeader() && dataSet.Empty()) {
    std::cerr << "dicomnet dump: " << path << ": not a DICOM file\n";
    return false;
  }
  if (withName) std::cout << "# " << path << '\n';
  dicom::DataSetDumper dumper(std::cout);
  dumper.Dump(file.Header().Meta());
  dumper.Dump(dataSet);
  if (!read) {
    std::cout.flush();
    std::cerr << "dicomnet dump: " << path << ": decoding failed after " << dataSet.Size()
              << " elements (" << dicom::Describe(file.Status()) << ")\n";
    return false;
  }
  return true;
}

}  // namespace

int RunDump(std::span<const std::string_view> args) {
  if (args.empty()) {
    std::cerr << "usage: dicomnet dump FILE...\n";
    return 2;
  }
  bool allRead = true;
  for (std::string_view path : args)
    allRead &= DumpFile(std::string(path), args.size() > 1);
  return allRead ? 0 : 1;
}

}  // namespace dicomnet
