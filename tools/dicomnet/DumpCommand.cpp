#include <iostream>
#include <string>

#include "data/DataSetDumper.h"
#include "data/DicomFile.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"

namespace dicomnet {
namespace {

// Lists one file; on failure says why on standard error and returns false. What was read before a
// decoding failure is listed.
bool DumpFile(const std::string& path, bool withName) {
  dicom::DicomFile file;
  dicom::DataSet dataSet;
  std::string why;
  const bool read = ReadObject(path, file, dataSet, why);
  if (read || file.HasMetaHeader() || !dataSet.Empty()) {
    if (withName) std::cout << "# " << path << '\n';
    dicom::DataSetDumper dumper(std::cout);
    dumper.Dump(file.Header().Meta());
    dumper.Dump(dataSet);
    std::cout.flush();
  }
  if (!read) std::cerr << "dicomnet dump: " << path << ": " << why << '\n';
  return read;
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
