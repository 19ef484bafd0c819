#include "net/pdu/PduReader.h"

#include <cstring>

namespace dicom {

template <typename T>
T PduReader::Number(bool (ByteStream::*read)(T&)) {
  T value = 0;
  if (failed_ || !(in_.*read)(value)) {
    failed_ = true;
    return 0;
  }
  consumed_ += sizeof(T);
  return value;
}

std::uint8_t PduReader::U8() {
  return Number(&ByteStream::ReadU8);
}
std::uint16_t PduReader::U16() {
  return Number(&ByteStream::ReadU16);
}
std::uint32_t PduReader::U32() {
  return Number(&ByteStream::ReadU32);
}

void PduReader::Bytes(void* out, std::uint32_t count) {
  if (count == 0) return;
  if (failed_ || !in_.Read(out, count)) {
    failed_ = true;
    std::memset(out, 0, count);
    return;
  }
  consumed_ += count;
}

void PduReader::Skip(std::uint32_t count) {
  if (count == 0) return;
  if (failed_ || !in_.Skip(count)) {
    failed_ = true;
    return;
  }
  consumed_ += count;
}

void WritePduHeader(ByteStream& out, std::uint8_t type, std::uint32_t length) {
  out.WriteU8(type);
  out.WriteU8(0);
  out.WriteU32(length);
}

void WriteItemHeader(ByteStream& out, std::uint8_t type, std::uint16_t length) {
  out.WriteU8(type);
  out.WriteU8(0);
  out.WriteU16(length);
}

}  // namespace dicom
