#include "net/pdu/PduReader.h"

#include <cstring>

namespace dicom {

std::uint8_t PduReader::U8() {
  std::uint8_t value = 0;
  Bytes(&value, 1);
  return value;
}

std::uint16_t PduReader::U16() {
  std::uint8_t bytes[2] = {};
  Bytes(bytes, 2);
  return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

std::uint32_t PduReader::U32() {
  const std::uint32_t high = U16();
  return high << 16 | U16();
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
