#include "data/StreamCodec.h"

#include <istream>
#include <ostream>

#include "data/DataSetCodec.h"
#include "data/Deflate.h"
#include "data/FileDataSetCodec.h"

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
  // A received message is decoded from memory; nothing is left elsewhere.
  std::shared_ptr<const ValueSource> Defer(std::uint32_t, std::uint64_t&, bool) { return nullptr; }

 private:
  ByteStream& stream_;
};

namespace {

// The message's bytes as a standard stream buffer, for the deflate stream buffers: what is
// buffered of it when reading, the stream's output when writing.
class MessageBuf : public std::streambuf {
 public:
  explicit MessageBuf(ByteStream& stream) : stream_(stream) {}

 protected:
  int_type underflow() override {
    const std::uint32_t count = std::min<std::uint32_t>(stream_.Buffered(), sizeof buffer_);
    if (count == 0 || !stream_.Read(buffer_, count)) return traits_type::eof();
    setg(buffer_, buffer_, buffer_ + count);
    return traits_type::to_int_type(buffer_[0]);
  }
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    return stream_.Write(data, static_cast<std::uint32_t>(count)) ? count : 0;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return stream_.Write(&byte, 1) ? c : traits_type::eof();
  }

 private:
  ByteStream& stream_;
  char buffer_[16384];
};

}  // namespace

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
  if (IsDeflated(syntax_)) {
    MessageBuf message(stream_);
    DeflatingStreamBuf deflated(message);
    std::ostream body(&deflated);
    FileDataSetWriter(body, ExplicitLittleEndian).WriteDataSet(dataSet);
    if ((!body.good() || !deflated.Finish()) && writeStatus_ == CodecStatus::Good) {
      writeStatus_ = CodecStatus::ValueNotWritable;
    }
    return deflated.Written();
  }
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
  if (IsDeflated(syntax_)) {
    MessageBuf message(stream_);
    InflatingStreamBuf inflated(message, kMaxInflatedMessage);
    std::istream body(&inflated);
    FileDataSetReader reader(body, ExplicitLittleEndian);
    const std::uint64_t consumed = reader.ReadDataSet(dataSet, maxLength);
    const CodecStatus status =
        inflated.Status() != CodecStatus::Good ? inflated.Status() : reader.Status();
    if (readStatus_ == CodecStatus::Good) readStatus_ = status;
    if (maxLength == kWholeMessage) stream_.DiscardInput();
    return consumed;
  }
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
