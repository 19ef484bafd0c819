#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>
#include <streambuf>

#include "data/CodecStatus.h"

namespace dicom {

// The deflated syntax carries its data set as raw deflate (no zlib header or trailer). These
// stream buffers sit between a data set codec and the bytes of a file or a message, so that
// neither side ever holds the whole inflated data set.

// Inflates from `source` as it is read, never more than `limit` bytes in all.
class InflatingStreamBuf : public std::streambuf {
 public:
  InflatingStreamBuf(std::streambuf& source, std::uint64_t limit);
  ~InflatingStreamBuf() override;
  InflatingStreamBuf(const InflatingStreamBuf&) = delete;
  InflatingStreamBuf& operator=(const InflatingStreamBuf&) = delete;

  // Good until the inflated bytes run out other than at the end of the deflate stream: then why.
  CodecStatus Status() const { return status_; }

 protected:
  int_type underflow() override;

 private:
  z_stream zlib_{};
  std::streambuf& source_;
  std::uint64_t left_;
  bool ended_ = false;
  CodecStatus status_ = CodecStatus::Good;
  std::array<char, 1 << 14> in_;
  std::array<char, 1 << 16> out_;
};

// Deflates what is written to it into `sink`.
class DeflatingStreamBuf : public std::streambuf {
 public:
  explicit DeflatingStreamBuf(std::streambuf& sink);
  ~DeflatingStreamBuf() override;
  DeflatingStreamBuf(const DeflatingStreamBuf&) = delete;
  DeflatingStreamBuf& operator=(const DeflatingStreamBuf&) = delete;

  // Ends the deflate stream, with a zero byte after it when that makes its length odd, as values
  // are always even. False when the sink took less than it was given.
  bool Finish();
  // Bytes given to the sink so far.
  std::uint64_t Written() const { return written_; }

 protected:
  int_type overflow(int_type c) override;

 private:
  bool Deflate(int flush);

  z_stream zlib_{};
  std::streambuf& sink_;
  std::uint64_t written_ = 0;
  bool failed_ = false;
  std::array<char, 1 << 16> in_;
  std::array<char, 1 << 14> out_;
};

}  // namespace dicom
