#pragma once

#include <cstdint>

#include "data/ByteStream.h"

namespace dicom {

// Reads the fields of PDUs and items from the association's stream, which reads big-endian
// numbers. The first failed read (time-out, closed connection) is kept and every later read yields
// zeros, so that a reader can take its fields in order and look once at the end; the bytes
// consumed keep the parsing of nested items in step with what really arrived.
class PduReader {
 public:
  explicit PduReader(ByteStream& in) : in_(in) {}

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  void Bytes(void* out, std::uint32_t count);
  void Skip(std::uint32_t count);

  bool Failed() const { return failed_; }
  std::uint64_t Consumed() const { return consumed_; }

 private:
  ByteStream& in_;
  bool failed_ = false;
  std::uint64_t consumed_ = 0;

  template <typename T>
  T Number(bool (ByteStream::*read)(T&));
};

// Write side helpers, mirrors of the above.
void WritePduHeader(ByteStream& out, std::uint8_t type, std::uint32_t length);
void WriteItemHeader(ByteStream& out, std::uint8_t type, std::uint16_t length);

}  // namespace dicom
