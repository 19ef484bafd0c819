// `dicomnet receive` as the storage provider of DCMTK's storescu and echoscu and of our own
// `dicomnet store`, run as a child process on a free loopback port and always stopped.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "net/Association.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "tools/ToolTests.h"

namespace {

using namespace dicom;
using namespace testing_support;
namespace fs = std::filesystem;

constexpr const char* kCtImage = "1.2.840.10008.5.1.4.1.1.2";

void WriteObject(const std::string& path, const std::string& uid, TransferSyntax syntax) {
  ASSERT_TRUE(testing_support::WriteObject(path, kCtImage, uid, syntax,
                                           {{0x00100010, vr::PN, "M\xfcller^Hans"}}));
}

// The receiver in the peer's directory, which is also its TMPDIR.
std::string StartReceiver(Peer& receiver, std::vector<std::string> options = {}) {
  return receiver.Start(Args{"env", "TMPDIR=" + receiver.File(""), DICOMNET_BIN, "receive", "-aet",
                             "RECV", "--port", std::to_string(receiver.port)} +
                        options);
}

CommandResult Echo(const Peer& receiver) {
  return RunProgram({"echoscu", "-aec", "RECV", "127.0.0.1", std::to_string(receiver.port)});
}

TEST(ReceiveInteropTest, StorescuAndEchoscuOneAtATime) {
  if (!HaveProgram("storescu")) GTEST_SKIP() << "no DCMTK";
  Peer receiver;
  // A link planted under the file's name is replaced, and what it points to stays untouched.
  WriteFile(receiver.File("target"), "keep");
  fs::create_symlink(receiver.File("target"), receiver.File("tempDic.dic"));
  ASSERT_EQ(StartReceiver(receiver), "");

  // Three objects on one association, in big endian: the other syntaxes read the same way
  // (StreamCodecTest, InteropTest).
  TempDir files;
  Args argv = {"storescu", "-xb", "-aec", "RECV", "127.0.0.1", std::to_string(receiver.port)};
  std::vector<std::string> uids;
  for (int i = 1; i <= 3; ++i) {
    uids.push_back("1.2.826.0.1.3680043.9.7433.9." + std::to_string(i));
    argv.push_back(files.File(uids.back() + ".dcm"));
    WriteObject(argv.back(), uids.back(), ExplicitBigEndian);
  }
  const CommandResult sent = RunProgram(argv);
  ASSERT_EQ(sent.status, 0) << sent.err;
  for (const std::string& uid : uids) {
    EXPECT_EQ(receiver.CountInLog("stored " + uid + " from STORESCU in " +
                                  receiver.File("tempDic.dic") + "\n"),
              1u)
        << receiver.Log();
  }
  ASSERT_FALSE(fs::is_symlink(receiver.File("tempDic.dic")));
  const ReadBack kept = ReadObject(receiver.File("tempDic.dic"));
  ASSERT_TRUE(kept.read);
  EXPECT_EQ(kept.syntax, TransferSyntaxUid(ExplicitBigEndian));
  EXPECT_EQ(kept.object.GetText(0x00080018, vr::UI), uids.back());
  EXPECT_EQ(kept.object.GetText(0x00100010, vr::PN), "M\xfcller^Hans");
  EXPECT_EQ(ReadFile(receiver.File("target")), "keep");

  // One association at a time: an echo waits until the one held is released.
  Association held;
  Prepare(held);
  held.SetCalledTitle("RECV");
  held.AddAbstractSyntax("1.2.840.10008.1.1");
  ASSERT_EQ(held.Request("127.0.0.1", std::to_string(receiver.port).c_str()), 1);
  CommandResult waiting;
  std::thread second([&] { waiting = Echo(receiver); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(receiver.CountInLog("echo from"), 0u);
  held.Release();
  second.join();
  EXPECT_EQ(waiting.status, 0) << waiting.err;
  EXPECT_EQ(receiver.CountInLog("echo from ECHOSCU\n"), 1u);
  EXPECT_EQ(Names(receiver.File("")), (std::set<std::string>{"peer.log", "target", "tempDic.dic"}));
}

TEST(ReceiveInteropTest, OwnRequestorIntoAnOutputDirectory) {
  Peer receiver;
  fs::create_directory(receiver.File("kept"));
  ASSERT_EQ(StartReceiver(receiver, {"--output-dir", receiver.File("kept")}), "");
  TempDir files;
  const std::vector<std::string> uids = {"1.2.826.0.1.3680043.9.7433.8.1",
                                         "1.2.826.0.1.3680043.9.7433.8.2", "1.2.3/../../evil"};
  Args argv = {DICOMNET_BIN, "store", "-aec", "RECV", "127.0.0.1", std::to_string(receiver.port)};
  for (std::size_t i = 0; i < uids.size(); ++i) {
    argv.push_back(files.File("object" + std::to_string(i) + ".dcm"));
    WriteObject(argv.back(), uids[i], ExplicitLittleEndian);
  }
  const CommandResult stored = RunProgram(argv);
  EXPECT_EQ(stored.status, 1);
  EXPECT_EQ(Lines(stored.out),
            (std::vector<std::string>{argv[6] + ": stored with status 0x0000",
                                      argv[7] + ": stored with status 0x0000",
                                      argv[8] + ": refused with status 0xC000"}));
  EXPECT_EQ(Names(receiver.File("kept")),
            (std::set<std::string>{uids[0] + ".dcm", uids[1] + ".dcm"}));
  EXPECT_EQ(receiver.CountInLog("refused 1.2.3/../../evil from DICOMNET with status 0xC000"), 1u);
}

}  // namespace
