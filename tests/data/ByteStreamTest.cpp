#include <gtest/gtest.h>

#include <numeric>

#include "data/ByteStream.h"
#include "net/MemoryByteStream.h"
#include "support/Hex.h"

namespace dicom {
namespace {

using testing_support::FromHex;
using testing_support::ToHex;

std::vector<std::uint8_t> Counting(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

TEST(ByteStream, IntegersInBothByteOrders) {
  struct Case {
    ByteOrder order;
    const char* input;
    std::uint16_t u16;
    std::uint32_t u32;
  };
  for (const Case& c : {Case{ByteOrder::BigEndian, "12 34 00 00 01 38", 0x1234, 312},
                        Case{ByteOrder::LittleEndian, "12 34 38 01 00 00", 0x3412, 312}}) {
    MemoryByteStream stream(FromHex(c.input));
    stream.SetInputByteOrder(c.order);
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    ASSERT_TRUE(stream.ReadU16(u16));
    ASSERT_TRUE(stream.ReadU32(u32));
    EXPECT_EQ(u16, c.u16);
    EXPECT_EQ(u32, c.u32);

    stream.SetOutputByteOrder(c.order);
    stream.WriteU16(c.u16);
    stream.WriteU32(c.u32);
    stream.Flush();
    EXPECT_EQ(ToHex(stream.Output()), c.input);
  }
}

TEST(ByteStream, FillsAskForAtMostOneKilobyte) {
  MemoryByteStream stream(Counting(5000), 5000);
  std::vector<std::uint8_t> out(3000);
  EXPECT_EQ(stream.Read(out.data(), 0), 0);
  EXPECT_TRUE(stream.Requests().empty()) << "a read of nothing asks for nothing";
  ASSERT_EQ(stream.Read(out.data(), 3000), 1);
  EXPECT_EQ(stream.Requests(), (std::vector<std::uint32_t>{1024, 1024, 1024}));
  EXPECT_EQ(stream.Buffered(), 72u);
  EXPECT_EQ(out, Counting(3000));
}

TEST(ByteStream, ReadAheadAsksOnlyForWhatIsMissing) {
  MemoryByteStream stream(Counting(5000), 5000);
  std::uint8_t first;
  ASSERT_EQ(stream.Read(&first, 1), 1);  // 1023 stay buffered
  ASSERT_EQ(stream.ReadAhead(1500), 1);
  EXPECT_EQ(stream.Buffered(), 2523u);
  EXPECT_EQ(stream.Requests(), (std::vector<std::uint32_t>{1024, 1024, 476}));
  std::vector<std::uint8_t> rest(2600);
  ASSERT_EQ(stream.Read(rest.data(), 2600), 1);
  EXPECT_EQ(stream.Requests().back(), 1024u);
}

TEST(ByteStream, FailedInputKeepsWhatWasBuffered) {
  MemoryByteStream stream(Counting(100));
  std::vector<std::uint8_t> out(200);
  EXPECT_EQ(stream.Read(out.data(), 200), 0);
  EXPECT_EQ(stream.Buffered(), 100u);
  EXPECT_EQ(stream.ReadAhead(1), 0);
  ASSERT_EQ(stream.Read(out.data(), 100), 1);
  EXPECT_EQ(out[99], 99);
}

// Output leaves in blocks of at most 32600; FlushBytes sends exactly the oldest bytes.
TEST(ByteStream, OutputLeavesInBlocks) {
  struct Case {
    std::uint32_t pending;
    std::uint32_t flush;
    std::vector<std::uint32_t> writes;  // by FlushBytes, then by Flush
  };
  for (const Case& c : {Case{40000, 0, {32600, 7400}}, Case{250, 100, {100, 150}},
                        Case{40000, 32600, {32600, 7400}}, Case{40000, 32700, {32600, 100, 7300}},
                        Case{100, 250, {100}}}) {
    MemoryByteStream stream;
    const std::vector<std::uint8_t> data = Counting(c.pending);
    stream.Write(data.data(), c.pending);
    stream.FlushBytes(c.flush);
    EXPECT_EQ(stream.Pending(), c.pending - std::min(c.pending, c.flush));
    stream.Flush();
    EXPECT_EQ(stream.Writes(), c.writes) << c.pending << "/" << c.flush;
    EXPECT_EQ(stream.Output(), data) << "in order";
  }
}

}  // namespace
}  // namespace dicom
