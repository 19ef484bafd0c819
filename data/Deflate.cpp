#include "data/Deflate.h"

namespace dicom {
namespace {

// Raw deflate: negative window bits leave out the zlib header and trailer.
constexpr int kRawWindowBits = -15;

Bytef* Bytes(char* data) {
  return reinterpret_cast<Bytef*>(data);
}

}  // namespace

InflatingStreamBuf::InflatingStreamBuf(std::streambuf& source, std::uint64_t limit)
    : source_(source), left_(limit) {
  if (inflateInit2(&zlib_, kRawWindowBits) != Z_OK) status_ = CodecStatus::DeflateCorrupt;
}

InflatingStreamBuf::~InflatingStreamBuf() {
  inflateEnd(&zlib_);
}

InflatingStreamBuf::int_type InflatingStreamBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (ended_ || status_ != CodecStatus::Good) return traits_type::eof();
  zlib_.next_out = Bytes(out_.data());
  zlib_.avail_out = static_cast<uInt>(out_.size());
  while (zlib_.avail_out == out_.size()) {
    if (zlib_.avail_in == 0) {
      const std::streamsize got = source_.sgetn(in_.data(), in_.size());
      zlib_.next_in = Bytes(in_.data());
      zlib_.avail_in = static_cast<uInt>(got > 0 ? got : 0);
    }
    const bool sourceEnded = zlib_.avail_in == 0;
    const int result = inflate(&zlib_, Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    if (result == Z_DATA_ERROR || result == Z_NEED_DICT || result == Z_MEM_ERROR) {
      status_ = CodecStatus::DeflateCorrupt;
      break;
    }
    // Nothing came out, and nothing more will go in.
    if (sourceEnded && zlib_.avail_out == out_.size()) {
      status_ = CodecStatus::DeflateNotEnded;
      break;
    }
  }
  const std::size_t produced = out_.size() - zlib_.avail_out;
  if (produced > left_) {
    status_ = CodecStatus::InflatedTooLarge;
    return traits_type::eof();
  }
  left_ -= produced;
  setg(out_.data(), out_.data(), out_.data() + produced);
  return produced > 0 ? traits_type::to_int_type(out_[0]) : traits_type::eof();
}

DeflatingStreamBuf::DeflatingStreamBuf(std::streambuf& sink) : sink_(sink) {
  failed_ = deflateInit2(&zlib_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawWindowBits, 8,
                         Z_DEFAULT_STRATEGY) != Z_OK;
  setp(in_.data(), in_.data() + in_.size());
}

DeflatingStreamBuf::~DeflatingStreamBuf() {
  deflateEnd(&zlib_);
}

bool DeflatingStreamBuf::Deflate(int flush) {
  if (failed_) return false;
  zlib_.next_in = Bytes(pbase());
  zlib_.avail_in = static_cast<uInt>(pptr() - pbase());
  int result;
  do {
    zlib_.next_out = Bytes(out_.data());
    zlib_.avail_out = static_cast<uInt>(out_.size());
    result = deflate(&zlib_, flush);
    const auto produced = static_cast<std::streamsize>(out_.size() - zlib_.avail_out);
    if (result == Z_STREAM_ERROR || sink_.sputn(out_.data(), produced) != produced) {
      failed_ = true;
      return false;
    }
    written_ += static_cast<std::uint64_t>(produced);
  } while (zlib_.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
  setp(in_.data(), in_.data() + in_.size());
  return true;
}

DeflatingStreamBuf::int_type DeflatingStreamBuf::overflow(int_type c) {
  if (!Deflate(Z_NO_FLUSH)) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

bool DeflatingStreamBuf::Finish() {
  if (!Deflate(Z_FINISH)) return false;
  if (written_ % 2 != 0) {
    if (sink_.sputc('\0') == traits_type::eof()) {
      failed_ = true;
      return false;
    }
    ++written_;
  }
  return true;
}

}  // namespace dicom
