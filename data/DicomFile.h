#pragma once

#include <fstream>
#include <memory>
#include <string_view>

#include "data/CodecStatus.h"
#include "data/DataSet.h"
#include "data/FileMetaHeader.h"
#include "data/TransferSyntax.h"

namespace dicom {

// A file stream that reads and writes stored DICOM objects: the meta header and the data set in
// the syntax it names, or a bare implicit VR little-endian data set. Open it in binary mode.
class DicomFile : public std::fstream {
 public:
  DicomFile() = default;
  // For writing an object with these identifying values.
  DicomFile(std::string_view sopClassUid, std::string_view sopInstanceUid, TransferSyntax syntax)
      : header_(sopClassUid, sopInstanceUid, syntax) {}

  // True when the data set was read without a decoding error: to the end of the file, to trailing
  // padding or to a stray item delimitation; a last element cut short by the end is left out. On
  // false the data set holds the elements read before the error.
  bool Read(DataSet& dataSet);
  // Leaves values of at least `from` bytes, and pixel data fragments, in the file for the next
  // Read: they are read through `source` (this file, opened a second time) when they are written.
  void DeferValues(std::shared_ptr<const ValueSource> source, std::uint32_t from) {
    deferSource_ = std::move(source);
    deferFrom_ = from;
  }
  bool Write(const DataSet& dataSet);

  const FileMetaHeader& Header() const { return header_; }
  // Whether the last Read found a meta header.
  bool HasMetaHeader() const { return hasMetaHeader_; }
  // The first decoding failure of the last Read.
  CodecStatus Status() const { return status_; }
  // The element being read when that failure happened.
  Tag FailedTag() const { return failedTag_; }

 private:
  FileMetaHeader header_;
  bool hasMetaHeader_ = false;
  CodecStatus status_ = CodecStatus::Good;
  Tag failedTag_ = 0;
  std::shared_ptr<const ValueSource> deferSource_;
  std::uint32_t deferFrom_ = 0;
};

}  // namespace dicom
