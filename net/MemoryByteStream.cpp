#include "net/MemoryByteStream.h"

#include <algorithm>
#include <cstring>

namespace dicom {

int MemoryByteStream::ReadRaw(std::uint8_t* buffer, std::uint32_t capacity) {
  requests_.push_back(capacity);
  if (position_ == input_.size()) return -1;
  const std::size_t count =
      std::min<std::size_t>({capacity, chunkSize_, input_.size() - position_});
  std::memcpy(buffer, input_.data() + position_, count);
  position_ += count;
  return static_cast<int>(count);
}

int MemoryByteStream::WriteRaw(const std::uint8_t* buffer, std::uint32_t length) {
  if (dropWrites_) return 1;
  writes_.push_back(length);
  output_.insert(output_.end(), buffer, buffer + length);
  return 1;
}

}  // namespace dicom
