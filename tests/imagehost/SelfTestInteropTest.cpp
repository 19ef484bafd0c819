#include <gtest/gtest.h>

#include <string>

#include "support/Imagehost.h"

// testConnection() walks the road of a retrieve against real archives and names the set-up fault
// it meets: each row is an archive that knows the host's title at the right place, at a port where
// nothing listens (where only C-GET works), or not at all.
namespace {

using namespace testing_support;

TEST(SelfTestInteropTest, TestConnectionNamesTheFault) {
  const std::uint16_t receivePort = FreePort();
  Peer orthanc, dcmqrscp;
  ASSERT_EQ(orthanc.Start(PeerArgs("Orthanc", orthanc, receivePort)), "");
  // dcmqrscp serving anyone, so that a title it does not know as a destination can still query.
  std::vector<std::string> args = PeerArgs("dcmqrscp", dcmqrscp);
  std::string config = ReadFile(dcmqrscp.File("dcmqrscp.cfg"));
  WriteFile(dcmqrscp.File("dcmqrscp.cfg"), config.replace(config.rfind(" peers"), 6, " ANY"));
  ASSERT_EQ(dcmqrscp.Start(args), "");
  const std::string image = orthanc.File("image.dcm"), root = "1.2.826.0.1.3680043.10.1021.9.";
  ASSERT_TRUE(WriteSmallImage(image, {{0x00080016, "1.2.840.10008.5.1.4.1.1.7"},
                                      {0x00080018, root + "1"},
                                      {0x0020000D, root + "2"},
                                      {0x0020000E, root + "3"}}));
  for (const auto& [title, port] :
       {std::pair{"ORTHANC", orthanc.port}, {"ARCHIVE", dcmqrscp.port}}) {
    const auto stored = RunProgram(
        {DICOMNET_BIN, "store", "-aec", title, "127.0.0.1", std::to_string(port), image});
    ASSERT_EQ(stored.status, 0) << stored.out << stored.err;
  }
  const std::string here = "(this computer: 127.0.0.1, port " + std::to_string(receivePort) + ")";
  const struct {
    const char* archiveTitle;
    std::uint16_t archivePort;
    const char* ownTitle;
    const char* method;
    std::string retrieve;  // the last line of the report
  } cases[] = {
      {"ORTHANC", orthanc.port, "STORESCP", "move",
       "Retrieve it to this computer: passed, the image arrived"},
      // Orthanc knows DICOMNET at a port where nothing listens.
      {"ORTHANC", orthanc.port, "DICOMNET", "move",
       "Retrieve it to this computer: failed, the archive could not deliver the image to DICOMNET: "
       "check the address and port registered for DICOMNET in the archive " +
           here + " and that no firewall blocks that port"},
      {"ARCHIVE", dcmqrscp.port, "NOBODY", "move",
       "Retrieve it to this computer: failed, the archive does not know NOBODY as a destination: "
       "register NOBODY with this computer's address 127.0.0.1 and port " +
           std::to_string(receivePort) + " in the archive"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    // The receiver restarts with the new title and port; it must listen before the test.
    const auto run =
        RunHost(dir,
                SetPreference("archivePort", std::to_string(c.archivePort)) +
                    SetPreference("calledAeTitle", c.archiveTitle) +
                    SetPreference("callingAeTitle", c.ownTitle) +
                    SetPreference("receivePort", std::to_string(receivePort)) +
                    SetPreference("retrieveMethod", c.method) + "wait(2000)\ntestConnection()",
                "");
    const std::vector<std::string> report = Lines(run.out);
    ASSERT_EQ(report.size(), 5u) << run.out << run.err;
    EXPECT_EQ(report[3].substr(0, 32), "Find an image (C-FIND): passed, ") << c.ownTitle;
    EXPECT_EQ(report[4], c.retrieve);
    EXPECT_EQ(run.status, c.retrieve.find("passed") != std::string::npos ? 0 : 1) << run.err;
  }
}

}  // namespace
