// Reads the input as a stored DICOM file, with or without its meta header.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/DicomFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/dicomnet-fuzz-" + std::to_string(getpid()) + ".dcm";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  dicom::DicomFile dicomFile;
  dicomFile.open(path, std::ios::in | std::ios::binary);
  // Open files stay readable; the replay in the tests leaves nothing behind.
  std::remove(path.c_str());
  dicom::DataSet dataSet;
  dicomFile.Read(dataSet);
  dataSet.CountElements(true);
  return 0;
}
