#include "data/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace dicom {

ByteStream::~ByteStream() = default;

bool ByteStream::Fill() {
  const std::uint32_t request = std::min(blockSize_, kFillSize);
  if (input_.empty() || input_.back().Room() < request) {
    input_.push_back(Block::Make(std::clamp(blockSize_, kFillSize, kMaxInputBlock)));
  }
  Block& block = input_.back();
  int received;
  while ((received = ReadRaw(block.data.get() + block.end, request)) == 0) {
  }
  if (received < 0) return false;
  const auto size = static_cast<std::uint32_t>(std::min<int>(received, request));
  block.end += size;
  buffered_ += size;
  return true;
}

int ByteStream::Read(void* buffer, std::uint32_t count) {
  if (count == 0) return 0;
  while (buffered_ < count) {
    if (!Fill()) return 0;
  }
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint32_t left = count;
  while (left > 0) {
    Block& block = input_.front();
    const std::uint32_t take = std::min(left, block.Held());
    std::memcpy(out, block.data.get() + block.begin, take);
    out += take;
    left -= take;
    block.begin += take;
    if (block.Held() == 0) {
      // The last block takes the next fills again rather than a fresh allocation.
      if (input_.size() > 1) {
        input_.pop_front();
      } else {
        block.begin = block.end = 0;
      }
    }
  }
  buffered_ -= count;
  return 1;
}

std::uint32_t ByteStream::ReadSome(void* buffer, std::uint32_t count) {
  if (count == 0) return 0;
  if (buffered_ > 0) {
    const std::uint32_t take = std::min(count, buffered_);
    Read(buffer, take);
    return take;
  }
  int received;
  while ((received = ReadRaw(static_cast<std::uint8_t*>(buffer), count)) == 0) {
  }
  return received < 0 ? 0 : std::min(static_cast<std::uint32_t>(received), count);
}

int ByteStream::ReadAhead(std::uint32_t count) {
  const std::uint64_t target = std::uint64_t{buffered_} + count;
  bool ok = true;
  while (ok && buffered_ < target) {
    blockSize_ =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(target - buffered_, 0xFFFFFFFF));
    ok = Fill();
  }
  blockSize_ = kDefaultBlockSize;
  return ok ? 1 : 0;
}

int ByteStream::Skip(std::uint32_t count) {
  // In pieces: a length announced by a peer must not decide the size of an allocation.
  std::uint8_t scratch[kFillSize];
  while (count > 0) {
    const std::uint32_t piece = std::min(count, kFillSize);
    if (!Read(scratch, piece)) return 0;
    count -= piece;
  }
  return 1;
}

void ByteStream::DiscardInput() {
  input_.clear();
  buffered_ = 0;
}

void ByteStream::DiscardOutput() {
  output_.clear();
  pending_ = 0;
}

int ByteStream::Write(const void* buffer, std::uint32_t count) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::uint32_t left = count;
  if (output_.empty()) output_.push_back(Block::Make(blockSize_));
  while (left > 0) {
    if (output_.back().Room() == 0) output_.push_back(Block::Make(blockSize_));
    Block& block = output_.back();
    const std::uint32_t put = std::min(left, block.Room());
    std::memcpy(block.data.get() + block.end, in, put);
    block.end += put;
    in += put;
    left -= put;
  }
  pending_ += count;
  Written();
  return 1;
}

int ByteStream::Flush() {
  for (const Block& block : output_) {
    if (block.Held() > 0) WriteRaw(block.data.get() + block.begin, block.Held());
  }
  output_.clear();
  pending_ = 0;
  return 1;
}

void ByteStream::FlushBytes(std::uint32_t count) {
  if (pending_ < count) {
    Flush();
    return;
  }
  pending_ -= count;
  while (count > 0) {
    Block& block = output_.front();
    if (block.Held() <= count) {
      if (block.Held() > 0) WriteRaw(block.data.get() + block.begin, block.Held());
      count -= block.Held();
      output_.pop_front();
    } else {
      // The rest stays where it is; the block's start moves past what was sent.
      WriteRaw(block.data.get() + block.begin, count);
      block.begin += count;
      count = 0;
    }
  }
}

bool ByteStream::ReadU8(std::uint8_t& value) {
  return Read(&value, 1) == 1;
}

bool ByteStream::ReadU16(std::uint16_t& value) {
  std::uint8_t bytes[2];
  if (Read(bytes, 2) != 1) return false;
  value = inputOrder_ == ByteOrder::BigEndian
              ? static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1])
              : static_cast<std::uint16_t>((bytes[1] << 8) | bytes[0]);
  return true;
}

bool ByteStream::ReadU32(std::uint32_t& value) {
  std::uint16_t first, second;
  if (!ReadU16(first) || !ReadU16(second)) return false;
  value = inputOrder_ == ByteOrder::BigEndian ? (std::uint32_t{first} << 16) | second
                                              : (std::uint32_t{second} << 16) | first;
  return true;
}

void ByteStream::WriteU8(std::uint8_t value) {
  Write(&value, 1);
}

void ByteStream::WriteU16(std::uint16_t value) {
  const std::uint8_t low = static_cast<std::uint8_t>(value);
  const std::uint8_t high = static_cast<std::uint8_t>(value >> 8);
  const std::uint8_t bytes[2] = {outputOrder_ == ByteOrder::BigEndian ? high : low,
                                 outputOrder_ == ByteOrder::BigEndian ? low : high};
  Write(bytes, 2);
}

void ByteStream::WriteU32(std::uint32_t value) {
  const auto low = static_cast<std::uint16_t>(value);
  const auto high = static_cast<std::uint16_t>(value >> 16);
  WriteU16(outputOrder_ == ByteOrder::BigEndian ? high : low);
  WriteU16(outputOrder_ == ByteOrder::BigEndian ? low : high);
}

}  // namespace dicom
