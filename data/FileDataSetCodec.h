#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>

#include "data/CodecStatus.h"
#include "data/DataSet.h"
#include "data/TransferSyntax.h"

namespace dicom {

// Writes data sets to a standard output stream in one transfer syntax; a value that its header
// cannot describe sets the stream's bad state and ends the writing. In the deflated syntax
// WriteDataSet writes a whole deflate stream; WriteElement, like ReadElement below, then works on
// the inflated form (explicit VR little-endian) alone.
class FileDataSetWriter {
 public:
  FileDataSetWriter(std::ostream& out, TransferSyntax syntax) : out_(out), syntax_(syntax) {}

  std::uint64_t WriteDataSet(const DataSet& dataSet);
  std::uint64_t WriteElement(const DataElement& element);

 private:
  class Sink;

  std::ostream& out_;
  TransferSyntax syntax_;
};

// Reads data sets from a standard input stream in one transfer syntax. Failures show in the
// stream's state: end-of-file and failure when the data ends inside an element, failure alone
// for a decoding error. In the deflated syntax ReadDataSet inflates the rest of the stream, at
// most maxLength bytes of it.
class FileDataSetReader {
 public:
  static constexpr std::uint64_t kWholeFile = 0xFFFFFFFF;

  FileDataSetReader(std::istream& in, TransferSyntax syntax);

  // Values of at least `from` bytes, and pixel data fragments, are then left in the file, which
  // `source` reads by position, instead of being read: the stream must be that file and seekable.
  void DeferValues(std::shared_ptr<const ValueSource> source, std::uint32_t from) {
    deferSource_ = std::move(source);
    deferFrom_ = from;
  }

  std::uint64_t ReadDataSet(DataSet& dataSet, std::uint64_t maxLength = kWholeFile);
  std::uint64_t ReadElement(DataElement& element);

  // The first decoding failure, for the messages of the callers.
  CodecStatus Status() const { return status_; }
  // The element being read when it happened.
  Tag FailedTag() const { return failedTag_; }

 private:
  class Source;

  void Record(CodecStatus status, Tag tag);

  std::istream& in_;
  TransferSyntax syntax_;
  // Bytes left in the stream from where reading started; unknown for a stream that cannot seek.
  std::uint64_t remaining_;
  bool sizeKnown_;
  std::shared_ptr<const ValueSource> deferSource_;
  std::uint32_t deferFrom_ = 0;
  CodecStatus status_ = CodecStatus::Good;
  Tag failedTag_ = 0;
};

}  // namespace dicom
