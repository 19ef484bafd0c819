#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "net/TcpListener.h"
#include "net/TcpSocket.h"
#include "support/Imagehost.h"

// The storage receiver that the host program runs beside itself, driven by macros offscreen.
namespace {

using namespace testing_support;

const std::string kDicomnet =
    (std::filesystem::path(IMAGEHOST_BIN).parent_path() / "dicomnet").string();

TEST(ReceiverTest, StartedWithTheHostFollowsItsPortAndStopsWithIt) {
  // A port someone else holds: the host says so and runs on.
  TempDir dir;
  dicom::TcpListener taken;
  ASSERT_EQ(taken.Listen(0), 1);
  const std::string port = std::to_string(taken.Port());
  const CommandResult refused =
      RunHost(dir, SetPreference("receivePort", port) + "wait(2000)\nmacGetLanguage()");
  EXPECT_EQ(refused.status, 0) << refused.err;
  EXPECT_EQ(Lines(refused.out), std::vector<std::string>{"1"});
  EXPECT_NE(
      refused.err.find("imagehost: The storage receiver for IMAGEHOST on port " + port +
                       " stopped (cannot listen on port " + port + ": Address already in use)."),
      std::string::npos)
      << refused.err;

  // The port set by the macro takes objects into the host's temporary directory until the host
  // ends.
  Peer host;
  ASSERT_EQ(host.Start(HostCommand(host, SetPreference("receivePort", std::to_string(host.port)) +
                                             "wait(4000)\npreferences()")),
            "");
  ASSERT_TRUE(WriteSmallImage(
      dir.File("object.dcm"),
      {{0x00080016, "1.2.840.10008.5.1.4.1.1.7"}, {0x00080018, "1.2.826.0.1.3680043.9.7433.6.1"}}));
  const CommandResult stored = RunProgram({kDicomnet, "store", "-aec", "IMAGEHOST", "127.0.0.1",
                                           std::to_string(host.port), dir.File("object.dcm")});
  EXPECT_EQ(stored.status, 0) << stored.out << stored.err;
  EXPECT_TRUE(std::filesystem::exists(host.File("tempDic.dic")));
  ASSERT_TRUE(host.WaitForLog("receivePort=" + std::to_string(host.port), 0)) << host.Log();
  bool stopped = false;
  for (int i = 0; i < 100 && !stopped; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dicom::TcpSocket socket;
    stopped = socket.Connect("127.0.0.1", std::to_string(host.port).c_str()) != 1;
  }
  EXPECT_TRUE(stopped);
}

}  // namespace
