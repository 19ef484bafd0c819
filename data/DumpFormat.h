#pragma once

#include <cstdint>

#include "data/VrCode.h"

namespace dicom {

// Everything the data set listing shows is set here: limits, printf-style number formats and
// separators. A format of nullptr leaves that part out.
struct DumpFormat {
  char replacement;          // for a byte of a text value that is not printable ASCII
  std::uint32_t textLimit;   // characters shown of a text value
  std::uint32_t byteLimit;   // bytes shown of an OB value
  std::uint32_t valueLimit;  // numbers shown of a numeric value
  const char* ellipsis;      // after a value that was cut
  const char* obFormat;
  const char* owFormat;
  const char* usFormat;
  const char* ulFormat;
  const char* ssFormat;
  const char* slFormat;
  const char* flFormat;  // given a double
  const char* fdFormat;
  const char* tagFormat;     // the element's tag, and each AT value
  const char* lengthFormat;  // the value length as a signed number
  const char* vrFormat;      // the two VR characters
  const char* nameFormat;
  const char* unknownName;  // for a tag the dictionary does not know
  const char* indent;       // once per sequence depth
  const char* separator;    // between the element's header and its value
  const char* endOfLine;
  const char* sequenceText;     // shown as the value of an SQ element
  VrCode vrForUn;               // how a value whose VR stays UN is shown
  const char* offsetTableName;  // names the basic offset table item of encapsulated pixel data
  const char* fragmentName;     // names each fragment item
};

extern const DumpFormat DefaultDumpFormat;

}  // namespace dicom
