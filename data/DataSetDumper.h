#pragma once

#include <ostream>

#include "data/DataSet.h"
#include "data/DumpFormat.h"

namespace dicom {

// Lists a data set as text, one line per element, with the items of sequences indented.
class DataSetDumper {
 public:
  DataSetDumper(std::ostream& out, const DumpFormat& format = DefaultDumpFormat)
      : out_(out), format_(format) {}

  void Dump(const DataSet& dataSet);

 private:
  void DumpElement(Tag tag, const ElementValue& value);
  void DumpValue(VrCode vr, const ElementValue& value);
  template <typename T, typename Shown>
  void DumpNumbers(const ElementValue& value, const char* format);
  void DumpText(const ElementValue& value);
  template <typename... Args>
  void Print(const char* format, Args... args);

  std::ostream& out_;
  const DumpFormat& format_;
  unsigned depth_ = 0;
};

}  // namespace dicom
