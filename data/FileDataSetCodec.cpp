#include "data/FileDataSetCodec.h"

#include <algorithm>
#include <vector>

#include "data/DataSetCodec.h"
#include "data/Deflate.h"

namespace dicom {

class FileDataSetWriter::Sink {
 public:
  Sink(std::ostream& out, bool bigEndian) : out_(out), bigEndian_(bigEndian) {}

  void WriteU16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {Byte(value, bigEndian_ ? 1 : 0),
                                   Byte(value, bigEndian_ ? 0 : 1)};
    WriteBytes(bytes, 2);
  }
  void WriteU32(std::uint32_t value) {
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i)
      bytes[i] = Byte(value, bigEndian_ ? 3 - i : i);
    WriteBytes(bytes, 4);
  }
  void WriteBytes(const std::uint8_t* data, std::uint32_t count) {
    if (!out_.good()) return;
    const auto put = out_.rdbuf()->sputn(reinterpret_cast<const char*>(data), count);
    if (put != static_cast<std::streamsize>(count)) out_.setstate(std::ios::badbit);
  }

 private:
  static std::uint8_t Byte(std::uint32_t value, int index) {
    return static_cast<std::uint8_t>(value >> (8 * index));
  }

  std::ostream& out_;
  bool bigEndian_;
};

std::uint64_t FileDataSetWriter::WriteDataSet(const DataSet& dataSet) {
  if (IsDeflated(syntax_)) {
    if (!out_.good() || out_.rdbuf() == nullptr) return 0;
    DeflatingStreamBuf deflated(*out_.rdbuf());
    std::ostream body(&deflated);
    FileDataSetWriter(body, ExplicitLittleEndian).WriteDataSet(dataSet);
    if (!body.good() || !deflated.Finish()) out_.setstate(std::ios::badbit);
    return deflated.Written();
  }
  Sink sink(out_, IsBigEndian(syntax_));
  codec::Encoder encoder(sink, syntax_);
  const std::uint64_t written = encoder.WriteDataSet(dataSet);
  if (encoder.Status() != CodecStatus::Good) out_.setstate(std::ios::badbit);
  return written;
}

std::uint64_t FileDataSetWriter::WriteElement(const DataElement& element) {
  Sink sink(out_, IsBigEndian(syntax_));
  codec::Encoder encoder(sink, syntax_);
  const std::uint64_t written = encoder.WriteElement(element.tag, *element.value);
  if (encoder.Status() != CodecStatus::Good) out_.setstate(std::ios::badbit);
  return written;
}

class FileDataSetReader::Source {
 public:
  Source(FileDataSetReader& reader, bool bigEndian)
      : buffer_(*reader.in_.rdbuf()), reader_(reader), bigEndian_(bigEndian) {}

  bool ReadU16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (!ReadBytes(bytes, 2)) return false;
    value = static_cast<std::uint16_t>(bigEndian_ ? (bytes[0] << 8) | bytes[1]
                                                  : (bytes[1] << 8) | bytes[0]);
    return true;
  }
  bool ReadU32(std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (!ReadBytes(bytes, 4)) return false;
    value = 0;
    for (int i = 0; i < 4; ++i)
      value |= std::uint32_t{bytes[bigEndian_ ? i : 3 - i]} << (8 * (3 - i));
    return true;
  }
  bool ReadBytes(std::uint8_t* data, std::uint32_t count) {
    const auto got = buffer_.sgetn(reinterpret_cast<char*>(data), count);
    reader_.remaining_ -= std::min<std::uint64_t>(reader_.remaining_, got > 0 ? got : 0);
    return got == static_cast<std::streamsize>(count);
  }
  bool More() {
    if (reader_.sizeKnown_) return reader_.remaining_ > 0;
    return buffer_.sgetc() != std::char_traits<char>::eof();
  }
  // Never allocates more than the bytes that are really left: a file's end is known, and a stream
  // without one is read in pieces of at most 1 MiB.
  std::unique_ptr<std::uint8_t[]> ReadValue(std::uint32_t length) {
    if (reader_.sizeKnown_) {
      if (length > reader_.remaining_) {
        ReadBytesToEnd();
        return nullptr;
      }
      auto data = AllocateValueBuffer(length);
      return ReadBytes(data.get(), length) ? std::move(data) : nullptr;
    }
    constexpr std::uint32_t kPiece = 1 << 20;
    std::vector<std::uint8_t> collected;
    while (collected.size() < length) {
      const std::size_t start = collected.size();
      collected.resize(start + std::min<std::size_t>(kPiece, length - start));
      if (!ReadBytes(collected.data() + start,
                     static_cast<std::uint32_t>(collected.size() - start))) {
        return nullptr;
      }
    }
    auto data = AllocateValueBuffer(length);
    std::copy(collected.begin(), collected.end(), data.get());
    return data;
  }
  // Fragments of any size, so that an object of many small frames is not held either.
  std::shared_ptr<const ValueSource> Defer(std::uint32_t length, std::uint64_t& offset,
                                           bool fragment) {
    if (!reader_.deferSource_ || (length < reader_.deferFrom_ && !fragment) ||
        !reader_.sizeKnown_ || length > reader_.remaining_) {
      return nullptr;
    }
    const std::streampos here = buffer_.pubseekoff(0, std::ios::cur, std::ios::in);
    if (here == std::streampos(-1) ||
        buffer_.pubseekoff(length, std::ios::cur, std::ios::in) == std::streampos(-1)) {
      return nullptr;
    }
    offset = static_cast<std::uint64_t>(here);
    reader_.remaining_ -= length;
    return reader_.deferSource_;
  }

 private:
  // A value that reaches past the end leaves the stream at its end, as reading it would have.
  void ReadBytesToEnd() {
    buffer_.pubseekoff(0, std::ios::end, std::ios::in);
    reader_.remaining_ = 0;
  }

  std::streambuf& buffer_;
  FileDataSetReader& reader_;
  bool bigEndian_;
};

FileDataSetReader::FileDataSetReader(std::istream& in, TransferSyntax syntax)
    : in_(in), syntax_(syntax), remaining_(~std::uint64_t{0}), sizeKnown_(false) {
  std::streambuf* buffer = in_.rdbuf();
  if (buffer == nullptr) return;
  const std::streampos here = buffer->pubseekoff(0, std::ios::cur, std::ios::in);
  const std::streampos end = buffer->pubseekoff(0, std::ios::end, std::ios::in);
  if (here == std::streampos(-1) || end == std::streampos(-1) ||
      buffer->pubseekpos(here, std::ios::in) != here) {
    return;
  }
  remaining_ = end > here ? static_cast<std::uint64_t>(end - here) : 0;
  sizeKnown_ = true;
}

void FileDataSetReader::Record(CodecStatus status, Tag tag) {
  if (status == CodecStatus::Good) return;
  if (status_ == CodecStatus::Good) {
    status_ = status;
    failedTag_ = tag;
  }
  in_.setstate(status == CodecStatus::ValueNotDelivered ? std::ios::eofbit | std::ios::failbit
                                                        : std::ios::failbit);
}

std::uint64_t FileDataSetReader::ReadDataSet(DataSet& dataSet, std::uint64_t maxLength) {
  dataSet.Clear();
  if (!in_.good() || in_.rdbuf() == nullptr) return 0;
  if (IsDeflated(syntax_)) {
    InflatingStreamBuf inflated(*in_.rdbuf(), maxLength);
    std::istream body(&inflated);
    FileDataSetReader reader(body, ExplicitLittleEndian);
    const std::uint64_t consumed = reader.ReadDataSet(dataSet, maxLength);
    // A broken deflate stream is the cause of whatever the reader then made of its bytes.
    Record(inflated.Status() != CodecStatus::Good ? inflated.Status() : reader.Status(),
           reader.FailedTag());
    return consumed;
  }
  Source source(*this, IsBigEndian(syntax_));
  codec::Decoder decoder(source, syntax_);
  const std::uint64_t consumed = decoder.ReadDataSet(dataSet, maxLength);
  Record(decoder.Status(), decoder.FailedTag());
  return consumed;
}

std::uint64_t FileDataSetReader::ReadElement(DataElement& element) {
  if (!in_.good() || in_.rdbuf() == nullptr) return 0;
  Source source(*this, IsBigEndian(syntax_));
  codec::Decoder decoder(source, syntax_);
  const std::uint64_t consumed = decoder.ReadElement(element);
  Record(decoder.Status(), decoder.FailedTag());
  return consumed;
}

}  // namespace dicom
