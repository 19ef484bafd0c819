#pragma once

#include <cstdint>
#include <deque>
#include <memory>

namespace dicom {

enum class ByteOrder : std::uint32_t { LittleEndian = 1, BigEndian = 2 };

// Buffered byte stream under the PDUs and the encoded messages: input is kept in blocks as it
// arrives, output in blocks until it is flushed. Subclasses say where bytes come from and go to.
class ByteStream {
 public:
  static constexpr std::uint32_t kDefaultBlockSize = 32600;
  // No single fill asks the source for more than this.
  static constexpr std::uint32_t kFillSize = 1024;

  ByteStream() = default;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;
  virtual ~ByteStream();

  // 1 when count bytes were delivered; 0 when the input failed first, or for a count of 0.
  int Read(void* buffer, std::uint32_t count);
  int Write(const void* buffer, std::uint32_t count);
  int Flush();
  // Sends exactly the oldest count pending bytes (everything when fewer are pending).
  void FlushBytes(std::uint32_t count);
  // At least 1 and at most count bytes into the buffer: what is buffered first, else what one
  // ReadRaw delivers straight into it, so that bulk data skips the blocks. 0 when the input failed.
  std::uint32_t ReadSome(void* buffer, std::uint32_t count);
  // 1 when count more bytes than before are buffered; 0 when the input failed.
  int ReadAhead(std::uint32_t count);
  int Skip(std::uint32_t count);
  // Drops all buffered input, so that what one message left cannot reach the next.
  void DiscardInput();
  // Drops all pending output unsent.
  void DiscardOutput();

  bool ReadU8(std::uint8_t& value);
  bool ReadU16(std::uint16_t& value);
  bool ReadU32(std::uint32_t& value);
  void WriteU8(std::uint8_t value);
  void WriteU16(std::uint16_t value);
  void WriteU32(std::uint32_t value);

  void SetInputByteOrder(ByteOrder order) { inputOrder_ = order; }
  void SetOutputByteOrder(ByteOrder order) { outputOrder_ = order; }
  ByteOrder InputByteOrder() const { return inputOrder_; }
  ByteOrder OutputByteOrder() const { return outputOrder_; }
  std::uint32_t Buffered() const { return buffered_; }
  std::uint32_t Pending() const { return pending_; }

 protected:
  // At most capacity new bytes: the count (at least 1), 0 when none are there yet, -1 on failure.
  virtual int ReadRaw(std::uint8_t* buffer, std::uint32_t capacity) = 0;
  virtual int WriteRaw(const std::uint8_t* buffer, std::uint32_t length) = 0;
  // Called after every Write, for a stream that passes output on as it grows.
  virtual void Written() {}

 private:
  // Bytes [begin, end) of a block are still to be read (input) or sent (output). Input blocks take
  // successive fills until full; output blocks take writes.
  struct Block {
    std::unique_ptr<std::uint8_t[]> data;
    std::uint32_t begin;
    std::uint32_t end;
    std::uint32_t capacity;

    static Block Make(std::uint32_t capacity) {
      return Block{std::make_unique_for_overwrite<std::uint8_t[]>(capacity), 0, 0, capacity};
    }
    std::uint32_t Held() const { return end - begin; }
    std::uint32_t Room() const { return capacity - end; }
  };
  // The largest input block, so that a length announced ahead of its data reserves no more.
  static constexpr std::uint32_t kMaxInputBlock = 1 << 20;

  bool Fill();

  std::uint32_t blockSize_ = kDefaultBlockSize;
  ByteOrder inputOrder_ = ByteOrder::LittleEndian;
  ByteOrder outputOrder_ = ByteOrder::LittleEndian;
  std::uint32_t buffered_ = 0;
  std::uint32_t pending_ = 0;
  std::deque<Block> input_;
  std::deque<Block> output_;
};

}  // namespace dicom
