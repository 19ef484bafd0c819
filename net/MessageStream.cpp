#include "net/MessageStream.h"

namespace dicom {

int MessageStream::ReadRaw(std::uint8_t* buffer, std::uint32_t capacity) {
  return association_.Read(buffer, capacity) ? static_cast<int>(capacity) : -1;
}

int MessageStream::WriteRaw(const std::uint8_t* buffer, std::uint32_t length) {
  association_.Write(buffer, length);
  return 1;
}

}  // namespace dicom
