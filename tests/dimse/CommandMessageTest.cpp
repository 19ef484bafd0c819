#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/StreamCodec.h"
#include "dimse/CFindRq.h"
#include "dimse/CMoveRq.h"
#include "dimse/CStoreRq.h"
#include "dimse/CommandTags.h"
#include "dimse/MessageId.h"
#include "net/IdCounter.h"
#include "net/MemoryByteStream.h"
#include "support/Hex.h"

namespace dicom {
namespace {

using testing_support::FromHex;
using testing_support::ToHex;

// The command set as it leaves in a message: implicit VR little-endian.
std::string Encode(const DataSet& command) {
  MemoryByteStream stream;
  StreamCodec codec(stream, ImplicitLittleEndian);
  codec.WriteDataSet(command);
  EXPECT_EQ(codec.Status(), CodecStatus::Good);
  stream.Flush();
  return ToHex(stream.Output());
}

struct CommandCase {
  const char* name;
  std::function<DataSet()> make;
  const char* bytes;
};

TEST(CommandMessageTest, RequestsAreByteExact) {
  const CommandCase cases[] = {
      {"C-FIND-RQ, odd UID padded with NUL",
       [] { return CFindRq(21, kStudyRootFindSopClass, kPriorityMedium); },
       R"(
        00 00 00 00  04 00 00 00  4c 00 00 00   # (0000,0000) UL 76 = 36 + 4 x 10
        00 00 02 00  1c 00 00 00                # (0000,0002) UI, 28 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 31 2e 32 2e 32 2e  #   ".5.1.4.1.2.2."
        31 00                                   #   "1" and the NUL pad
        00 00 00 01  02 00 00 00  20 00         # (0000,0100) US 0x0020 C-FIND-RQ
        00 00 10 01  02 00 00 00  15 00         # (0000,0110) US 21
        00 00 00 07  02 00 00 00  00 00         # (0000,0700) US 0 medium
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
       )"},
      {"C-FIND-RQ, even UID unpadded",
       [] { return CFindRq(1, "1.2.840.10008.5.1.4.31", kPriorityMedium); },
       R"(
        00 00 00 00  04 00 00 00  46 00 00 00   # (0000,0000) UL 70 = 30 + 4 x 10
        00 00 02 00  16 00 00 00                # (0000,0002) UI, 22 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 33 31              #   ".5.1.4.31", no pad
        00 00 00 01  02 00 00 00  20 00         # (0000,0100) US 0x0020 C-FIND-RQ
        00 00 10 01  02 00 00 00  01 00         # (0000,0110) US 1
        00 00 00 07  02 00 00 00  00 00         # (0000,0700) US 0 medium
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
       )"},
      {"C-STORE-RQ", [] { return CStoreRq(7, "1.2.840.10008.5.1.4.1.1.2", "1.2.3.4.56", 0x0002); },
       R"(
        00 00 00 00  04 00 00 00  5c 00 00 00   # (0000,0000) UL 92 = 34 + 4 x 10 + 18
        00 00 02 00  1a 00 00 00                # (0000,0002) UI, 26 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 31 2e 31 2e 32 00  #   ".5.1.4.1.1.2" and the NUL pad
        00 00 00 01  02 00 00 00  01 00         # (0000,0100) US 0x0001 C-STORE-RQ
        00 00 10 01  02 00 00 00  07 00         # (0000,0110) US 7
        00 00 00 07  02 00 00 00  02 00         # (0000,0700) US 2 low
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
        00 00 00 10  0a 00 00 00                # (0000,1000) UI, 10 bytes:
        31 2e 32 2e 33 2e 34 2e 35 36           #   "1.2.3.4.56"
       )"},
      {"C-MOVE-RQ, destination padded with a space",
       [] { return CMoveRq(23, kStudyRootMoveSopClass, "ARCHIVE", kPriorityMedium); },
       R"(
        00 00 00 00  04 00 00 00  5c 00 00 00   # (0000,0000) UL 92 = 36 + 10 + 10 + 16 + 10 + 10
        00 00 02 00  1c 00 00 00                # (0000,0002) UI, 28 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 31 2e 32 2e 32 2e  #   ".5.1.4.1.2.2."
        32 00                                   #   "2" and the NUL pad
        00 00 00 01  02 00 00 00  21 00         # (0000,0100) US 0x0021 C-MOVE-RQ
        00 00 10 01  02 00 00 00  17 00         # (0000,0110) US 23
        00 00 00 06  08 00 00 00                # (0000,0600) AE, 8 bytes:
        41 52 43 48 49 56 45 20                 #   "ARCHIVE "
        00 00 00 07  02 00 00 00  00 00         # (0000,0700) US 0 medium
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
       )"},
      {"C-MOVE-RQ, destination beyond 16 characters sent as given",
       [] {
         return CMoveRq(0xFFFE, kStudyRootMoveSopClass, "DESTINATION_OF_MOVES", kPriorityMedium);
       },
       R"(
        00 00 00 00  04 00 00 00  68 00 00 00   # (0000,0000) UL 104 = 36 + 10 + 10 + 28 + 10 + 10
        00 00 02 00  1c 00 00 00                # (0000,0002) UI, 28 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 31 2e 32 2e 32 2e  #   ".5.1.4.1.2.2."
        32 00                                   #   "2" and the NUL pad
        00 00 00 01  02 00 00 00  21 00         # (0000,0100) US 0x0021 C-MOVE-RQ
        00 00 10 01  02 00 00 00  fe ff         # (0000,0110) US 65534
        00 00 00 06  14 00 00 00                # (0000,0600) AE, 20 bytes:
        44 45 53 54 49 4e 41 54 49 4f 4e 5f     #   "DESTINATION_"
        4f 46 5f 4d 4f 56 45 53                 #   "OF_MOVES"
        00 00 00 07  02 00 00 00  00 00         # (0000,0700) US 0 medium
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
       )"},
  };
  for (const CommandCase& c : cases) {
    EXPECT_EQ(Encode(c.make()), ToHex(FromHex(c.bytes))) << c.name;
  }
}

TEST(CommandMessageTest, MessageIdsAreOddCounterValuesModulo65535) {
  struct Case {
    std::uint32_t counter;
    std::vector<std::uint16_t> ids;
    std::uint32_t counterAfter;
  };
  const Case cases[] = {
      {20, {21, 23}, 24},
      {21, {21}, 22},
      {65534, {0, 2}, 65538},
  };
  for (const Case& c : cases) {
    SetIdCounter(c.counter);
    std::vector<std::uint16_t> ids;
    for (std::size_t i = 0; i < c.ids.size(); ++i)
      ids.push_back(NextMessageId());
    EXPECT_EQ(ids, c.ids) << "from " << c.counter;
    EXPECT_EQ(IdCounter(), c.counterAfter) << "from " << c.counter;
  }
  SetIdCounter(1);
}

}  // namespace
}  // namespace dicom
