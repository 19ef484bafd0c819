#pragma once

#include <cstdint>

#include "data/ByteStream.h"
#include "data/CodecStatus.h"
#include "data/DataSet.h"
#include "data/TransferSyntax.h"

namespace dicom {

// Encodes a data set onto a message's byte stream, and decodes one from it, in one transfer
// syntax. Lives for one message; the first decoding or encoding failure stays in Status(). In the
// deflated syntax the data set operations deflate and inflate the whole message; the element
// operations then work on its inflated form (explicit VR little-endian) alone.
class StreamCodec {
 public:
  static constexpr std::uint64_t kWholeMessage = 0xFFFFFFFF;
  // A deflated message inflates to no more than a received message may hold.
  static constexpr std::uint64_t kMaxInflatedMessage = std::uint64_t{1} << 30;

  // Sets both byte orders of the stream to the syntax's.
  StreamCodec(ByteStream& stream, TransferSyntax syntax);

  // Whether WriteDataSet would write every value of the data set.
  bool CanWrite(const DataSet& dataSet) const;
  std::uint64_t WriteDataSet(const DataSet& dataSet);
  std::uint64_t WriteElement(const DataElement& element);

  // Reads while the stream holds bytes of the message. A whole-message read consumes the message:
  // what the decoder leaves behind (after an error, trailing padding or a stray delimiter) is
  // dropped, so that it can never precede the next message.
  std::uint64_t ReadDataSet(DataSet& dataSet, std::uint64_t maxLength = kWholeMessage);
  std::uint64_t ReadElement(DataElement& element);

  CodecStatus Status() const;

 private:
  class Sink;
  class Source;

  ByteStream& stream_;
  TransferSyntax syntax_;
  CodecStatus writeStatus_ = CodecStatus::Good;
  CodecStatus readStatus_ = CodecStatus::Good;
};

}  // namespace dicom
