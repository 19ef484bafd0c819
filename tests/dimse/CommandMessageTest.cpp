#include <gtest/gtest.h>

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
#include "support/PduFixtures.h"

namespace dicom {
namespace {

using namespace testing_support;

// The command set as it leaves in a message: implicit VR little-endian.
std::string Encode(const DataSet& command) {
  MemoryByteStream stream;
  StreamCodec codec(stream, ImplicitLittleEndian);
  codec.WriteDataSet(command);
  EXPECT_EQ(codec.Status(), CodecStatus::Good);
  stream.Flush();
  return ToHex(stream.Output());
}

TEST(CommandMessageTest, RequestsAreByteExact) {
  const std::string kCtStorage = "1.2.840.10008.5.1.4.1.1.2";
  const auto ae = [](std::string_view text) {
    return "00 00 00 06" + LeHex(text.size(), 4) + AsciiHex(text);
  };
  struct Case {
    const char* name;
    DataSet command;
    std::uint32_t groupLength;
    std::vector<std::string> elements;
  };
  const Case cases[] = {
      {"C-FIND-RQ, odd UID padded with NUL",
       CFindRq(21, kStudyRootFindSopClass, kPriorityMedium),
       76,
       {CommandUi(0x0002, kStudyRootFindSopClass), CommandUs(0x0100, 0x0020), CommandUs(0x0110, 21),
        CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102)}},
      {"C-STORE-RQ, low priority",
       CStoreRq(7, kCtStorage, "1.2.3.4.56", 0x0002),
       92,
       {CommandUi(0x0002, kCtStorage), CommandUs(0x0100, 0x0001), CommandUs(0x0110, 7),
        CommandUs(0x0700, 2), CommandUs(0x0800, 0x0102), CommandUi(0x1000, "1.2.3.4.56")}},
      {"C-MOVE-RQ, destination padded with a space",
       CMoveRq(23, kStudyRootMoveSopClass, "ARCHIVE", kPriorityMedium),
       92,
       {CommandUi(0x0002, kStudyRootMoveSopClass), CommandUs(0x0100, 0x0021), CommandUs(0x0110, 23),
        ae("ARCHIVE "), CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102)}},
      {"C-MOVE-RQ, destination beyond 16 characters sent as given",
       CMoveRq(0xFFFE, kStudyRootMoveSopClass, "DESTINATION_OF_MOVES", kPriorityMedium),
       104,
       {CommandUi(0x0002, kStudyRootMoveSopClass), CommandUs(0x0100, 0x0021),
        CommandUs(0x0110, 0xFFFE), ae("DESTINATION_OF_MOVES"), CommandUs(0x0700, 0),
        CommandUs(0x0800, 0x0102)}},
  };
  for (const Case& c : cases) {
    std::string expected = "00 00 00 00 04 00 00 00" + LeHex(c.groupLength, 4);
    for (const std::string& element : c.elements)
      expected += element;
    EXPECT_EQ(Encode(c.command), ToHex(FromHex(expected))) << c.name;
  }
}

TEST(CommandMessageTest, MessageIdsAreOddCounterValuesModulo65535) {
  struct Case {
    std::uint32_t counter;
    std::vector<std::uint16_t> ids;
    std::uint32_t counterAfter;
  };
  for (const Case& c : {Case{20, {21, 23}, 24}, Case{21, {21}, 22}, Case{65534, {0, 2}, 65538}}) {
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
