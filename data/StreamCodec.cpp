#include "data/StreamCodec.h"

#include "data/DataSetCodec.h"

namespace dicom {

class StreamCodec::Sink {
 public:
  explicit Sink(ByteStream& stream) : stream_(stream) {}
  void WriteU16(std::uint16_t value) { stream_.WriteU16(value); }
  void WriteU32(std::uint32_t value) { stream_.WriteU32(value); }
  void WriteBytes(const std::uint8_t* data, std::uint32_t count) { stream_.Write(data, count); }

 private:
  ByteStream& stream_;
};

class StreamCodec::Source {
 public:
  explicit Source(ByteStream& stream) : stream_(stream) {}
  bool ReadU16(std::uint16_t& value) { return stream_.ReadU16(value); }
  bool ReadU32(std::uint32_t& value) { return stream_.ReadU32(value); }
  bool ReadBytes(std::uint8_t* data, std::uint32_t count) { return stream_.Read(data, count); }
  bool More() const { return stream_.Buffered() > 0; }
  // The whole message is buffered before it is decoded, so a value longer than what is buffered
  // can never be completed.
  std::unique_ptr<std::uint8_t[]> ReadValue(std::uint32_t length) {
    if (length > stream_.Buffered()) return nullptr;
    auto data = AllocateValueBuffer(length);
    stream_.Read(data.get(), length);
    return data;
  }

 private:
  ByteStream& stream_;
};

StreamCodec::StreamCodec(ByteStream& stream, TransferSyntax syntax)
    : stream_(stream), syntax_(syntax) {
  const ByteOrder order = IsBigEndian(syntax) ? ByteOrder::BigEndian : ByteOrder::LittleEndian;
  stream_.SetInputByteOrder(order);
  stream_.SetOutputByteOrder(order);
}

bool StreamCodec::CanWrite(const DataSet& dataSet) const {
  Sink sink(stream_);
  return codec::Encoder(sink, syntax_).CanWrite(dataSet);
}

std::uint64_t StreamCodec::WriteDataSet(const DataSet& dataSet) {
  Sink sink(stream_);
  codec::Encoder encoder(sink, syntax_);
  const std::uint64_t written = encoder.WriteDataSet(dataSet);
  if (writeStatus_ == CodecStatus::Good) writeStatus_ = encoder.Status();
  return written;
}

std::uint64_t StreamCodec::WriteElement(const DataElement& element) {
  Sink sink(stream_);
  codec::Encoder encoder(sink, syntax_);
  const std::uint64_t written = encoder.WriteElement(element.tag, *element.value);
  if (writeStatus_ == CodecStatus::Good) writeStatus_ = encoder.Status();
  return written;
}

std::uint64_t StreamCodec::ReadDataSet(DataSet& dataSet, std::uint64_t maxLength) {
  Source source(stream_);
  codec::Decoder decoder(source, syntax_);
  const std::uint64_t consumed = decoder.ReadDataSet(dataSet, maxLength);
  if (readStatus_ == CodecStatus::Good) readStatus_ = decoder.Status();
  if (maxLength == kWholeMessage) stream_.DiscardInput();
  return consumed;
}

std::uint64_t StreamCodec::ReadElement(DataElement& element) {
  Source source(stream_);
  codec::Decoder decoder(source, syntax_);
  const std::uint64_t consumed = decoder.ReadElement(element);
  if (readStatus_ == CodecStatus::Good) readStatus_ = decoder.Status();
  return consumed;
}

CodecStatus StreamCodec::Status() const {
  return readStatus_ != CodecStatus::Good ? readStatus_ : writeStatus_;
}

}  // namespace dicom
