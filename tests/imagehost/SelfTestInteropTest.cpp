#include <gtest/gtest.h>

#include <string>

#include "data/DataSet.h"
#include "support/Programs.h"
#include "support/SmallImage.h"

// testConnection() walks the road of a retrieve against real archives and names the set-up fault
// it meets: each row is an archive that knows the host's title at the right place, at a port where
// nothing listens (where only C-GET works), or not at all.
namespace {

using testing_support::Lines;
using testing_support::Peer;
using testing_support::RunProgram;

// dcmqrscp serving anyone, so that a title it does not know as a destination can still query.
std::vector<std::string> OpenDcmqrscp(const Peer& peer) {
  std::filesystem::create_directory(peer.File("ARCHIVE"));
  testing_support::WriteFile(
      peer.File("dcmqrscp.cfg"),
      "NetworkTCPPort = " + std::to_string(peer.port) +
          "\nMaxPDUSize = 16384\nMaxAssociations = 16\nHostTable BEGIN\nHostTable END\n"
          "VendorTable BEGIN\nVendorTable END\nAETable BEGIN\nARCHIVE " +
          peer.File("ARCHIVE") + " RW (10, 1024mb) ANY\nAETable END\n");
  return {"dcmqrscp", "-dhl", "-c", peer.File("dcmqrscp.cfg"), std::to_string(peer.port)};
}

TEST(SelfTestInteropTest, TestConnectionNamesTheFault) {
  const std::uint16_t receivePort = testing_support::FreePort();
  Peer orthanc, dcmqrscp;
  ASSERT_EQ(orthanc.Start(testing_support::PeerArgs("Orthanc", orthanc, receivePort)), "");
  ASSERT_EQ(dcmqrscp.Start(OpenDcmqrscp(dcmqrscp)), "");
  dicom::DataSet object;
  object.InsertText(0x00080016, dicom::vr::UI, "1.2.840.10008.5.1.4.1.1.7");
  object.InsertText(0x00080018, dicom::vr::UI, "1.2.826.0.1.3680043.10.1021.9.1");
  object.InsertText(0x0020000D, dicom::vr::UI, "1.2.826.0.1.3680043.10.1021.9.2");
  object.InsertText(0x0020000E, dicom::vr::UI, "1.2.826.0.1.3680043.10.1021.9.3");
  const std::string image = orthanc.File("image.dcm");
  ASSERT_TRUE(testing_support::WriteSmallImage(object, image));
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
      // C-GET needs no way back to this computer.
      {"ORTHANC", orthanc.port, "DICOMNET", "get",
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
    testing_support::TempDir dir;
    const std::string lines =
        "setPreference(\"archivePort\", \"" + std::to_string(c.archivePort) +
        "\")\nsetPreference(\"calledAeTitle\", \"" + c.archiveTitle +
        "\")\nsetPreference(\"callingAeTitle\", \"" + c.ownTitle +
        "\")\nsetPreference(\"receivePort\", \"" + std::to_string(receivePort) +
        "\")\nsetPreference(\"retrieveMethod\", \"" + c.method + "\")\ntestConnection()";
    const auto run = RunProgram({"timeout", "120", "env", "QT_QPA_PLATFORM=offscreen",
                                 "XDG_CONFIG_HOME=" + dir.File("config"), "TMPDIR=" + dir.File(""),
                                 IMAGEHOST_BIN, "-e", lines});
    const std::vector<std::string> report = Lines(run.out);
    ASSERT_EQ(report.size(), 5u) << run.out << run.err;
    EXPECT_EQ(report[3].substr(0, 32), "Find an image (C-FIND): passed, ") << c.ownTitle;
    EXPECT_EQ(report[4], c.retrieve);
    EXPECT_EQ(run.status, c.retrieve.find("passed") != std::string::npos ? 0 : 1) << run.err;
  }
}

}  // namespace
