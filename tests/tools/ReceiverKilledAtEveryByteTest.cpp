// `dicomnet receive` against requestors that die at every byte of a recorded store: the receiver
// must survive them all, keep no partial file, and still store the next object whole. An echo
// takes the same receiving path.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "support/ScriptedPeer.h"
#include "tools/ToolTests.h"

namespace {

using namespace dicom;
using namespace testing_support;
namespace fs = std::filesystem;

constexpr std::string_view kCtImage = "1.2.840.10008.5.1.4.1.1.2";

// The requestor's side: request, accept, the C-STORE and its response, release.
std::vector<Turn> StoreTurns(std::string_view uid) {
  const std::string object = "08 00 16 00 1a 00 00 00" + AsciiHex(kCtImage) + "00" + "08 00 18 00" +
                             LeHex(uid.size() + uid.size() % 2, 4) + AsciiHex(uid) +
                             (uid.size() % 2 ? "00" : "") + "10 00 20 00 06 00 00 00" +
                             AsciiHex("PAT001");
  const std::string command =
      CommandSet({CommandUi(0x0002, kCtImage), CommandUs(0x0100, 0x0001), CommandUs(0x0110, 1),
                  CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102), CommandUi(0x1000, uid)});
  const std::string response =
      CommandSet({CommandUi(0x0002, kCtImage), CommandUs(0x0100, 0x8001), CommandUs(0x0120, 1),
                  CommandUs(0x0800, 0x0101), CommandUs(0x0900, 0), CommandUi(0x1000, uid)});
  return {{true, FromHex(AssociateRequest(kCtImage))},
          {false, FromHex(Accept({{1, 0}}))},
          {true, FromHex(DataPdu({{1, 3, command}}) + DataPdu({{1, 2, object}}))},
          {false, FromHex(DataPdu({{1, 3, response}}))},
          {true, FromHex(kReleaseRq)},
          {false, FromHex(kReleaseRp)}};
}

TEST(ReceiverKilledAtEveryByteTest, SurvivesAndStoresTheNextObject) {
  Peer receiver;
  const std::string output = receiver.File("out");
  fs::create_directory(output);
  ASSERT_EQ(receiver.Start({DICOMNET_BIN, "receive", "--port", std::to_string(receiver.port),
                            "--output-dir", output, "--timeout", "5"}),
            "");
  const auto run = [&](const std::vector<Turn>& turns, const std::optional<Cut>& cut) {
    const int connection = ConnectToLoopback(receiver.port);
    ASSERT_GE(connection, 0) << Describe(cut);
    EXPECT_EQ(Replay(connection, turns, cut), "") << Describe(cut);
  };
  const std::vector<Turn> turns = StoreTurns("1.2.3.4.1");
  for (bool whileSending : {true, false}) {
    // Killed after receiving everything, the requestor has its release response.
    const std::size_t count = CountBytes(turns, whileSending);
    for (Cut::Ending ending : {Cut::Ending::Close, Cut::Ending::Reset}) {
      for (std::size_t offset = 0; offset < count && !HasFailure(); ++offset)
        run(turns, Cut{whileSending, offset, ending});
    }
  }
  run(StoreTurns("1.2.3.4.2"), std::nullopt);
  EXPECT_EQ(receiver.Stop(), 0) << receiver.Log();
  const std::string log = receiver.Log();
  EXPECT_NE(log.find("ended before the object 1.2.3.4.1 was complete"), std::string::npos) << log;

  // The first object is there only from the runs that sent all of it, and then whole.
  EXPECT_EQ(Names(output), (std::set<std::string>{"1.2.3.4.1.dcm", "1.2.3.4.2.dcm"}));
  for (const std::string uid : {"1.2.3.4.1", "1.2.3.4.2"}) {
    const ReadBack kept = ReadObject(output + "/" + uid + ".dcm");
    ASSERT_TRUE(kept.read) << uid;
    EXPECT_EQ(kept.object.GetText(0x00080018, vr::UI), uid);
    EXPECT_EQ(kept.object.GetText(0x00100020, vr::LO), "PAT001");
  }
}

}  // namespace
