#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "data/ByteStream.h"

namespace dicom {

// A byte stream over memory: input comes from a buffer in chunks of a chosen size, output is
// collected. Tests use it to cut input at every byte; benchmarks to run the codec without a peer.
class MemoryByteStream : public ByteStream {
 public:
  MemoryByteStream() = default;
  explicit MemoryByteStream(std::vector<std::uint8_t> input, std::uint32_t chunkSize = kFillSize)
      : input_(std::move(input)), chunkSize_(chunkSize) {}

  // Replaces what is still to be delivered; buffered input stays.
  void SetInput(std::vector<std::uint8_t> input, std::uint32_t chunkSize = kFillSize) {
    input_ = std::move(input);
    position_ = 0;
    chunkSize_ = chunkSize;
  }
  // Collected output is dropped instead of kept (for benchmarks).
  void DropWrites(bool drop) { dropWrites_ = drop; }

  const std::vector<std::uint8_t>& Output() const { return output_; }
  std::vector<std::uint8_t> TakeOutput() { return std::exchange(output_, {}); }
  // Sizes of the WriteRaw calls, in order.
  const std::vector<std::uint32_t>& Writes() const { return writes_; }
  // Sizes that ReadRaw was asked for, in order.
  const std::vector<std::uint32_t>& Requests() const { return requests_; }

 protected:
  int ReadRaw(std::uint8_t* buffer, std::uint32_t capacity) override;
  int WriteRaw(const std::uint8_t* buffer, std::uint32_t length) override;

 private:
  std::vector<std::uint8_t> input_;
  std::size_t position_ = 0;
  std::uint32_t chunkSize_ = kFillSize;
  bool dropWrites_ = false;
  std::vector<std::uint8_t> output_;
  std::vector<std::uint32_t> writes_;
  std::vector<std::uint32_t> requests_;
};

}  // namespace dicom
