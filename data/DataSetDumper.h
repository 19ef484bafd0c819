#pragma once

#include <ostream>

#include "data/DataSet.h"
#include "data/DumpFormat.h"
#include "data/EncapsulatedPixelData.h"

namespace dicom {

// Lists a data set as text, one line per element, with the items of sequences indented.
class DataSetDumper {
 public:
  DataSetDumper(std::ostream& out, const DumpFormat& format = DefaultDumpFormat)
      : out_(out), format_(format) {}

  void Dump(const DataSet& dataSet);

 private:
  void DumpElement(Tag tag, const ElementValue& value);
  // Indent, tag, VR, length and name, up to the separator.
  void DumpHeader(Tag tag, VrCode vr, std::uint32_t length, const char* name);
  // One line per item: the offset table's offsets, each fragment's first bytes.
  void DumpFragments(const EncapsulatedPixelData& pixels);
  void DumpBytes(const std::uint8_t* data, std::uint32_t length);
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
