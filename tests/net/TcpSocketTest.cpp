#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "net/TcpSocket.h"
#include "support/Programs.h"
#include "support/ScriptedPeer.h"

namespace dicom {
namespace {

using Peer = testing_support::ScriptedPeer;

TEST(TcpSocket, HostAndPortTexts) {
  struct Case {
    const char* name;
    std::string host;
    const char* port;  // null: the peer's port, plus `add`
    int add;
    int result;
  };
  const Case cases[] = {
      {"dotted address", "127.0.0.1", nullptr, 0, 1},
      {"name looked up", "localhost", nullptr, 0, 1},
      {"port truncated to 16 bits", "127.0.0.1", nullptr, 65536, 1},
      {"text starting with a number is never looked up", "3dserver", nullptr, 0, 0},
      {"host of 128 characters", std::string(128, 'a'), nullptr, 0, 0},
      {"unknown service name", "127.0.0.1", "no-such-service", 0, 0},
      {"port 65536 is zero after truncation", "127.0.0.1", "65536", 0, 0},
  };
  for (const Case& c : cases) {
    Peer peer({});
    const std::string port = c.port ? c.port : std::to_string(peer.Port() + c.add);
    TcpSocket socket;
    EXPECT_EQ(socket.Connect(c.host.c_str(), port.c_str()), c.result) << c.name;
    EXPECT_EQ(socket.IsConnected(), c.result == 1) << c.name;
    if (c.result == 1) {
      EXPECT_EQ(socket.LastError(), 0) << c.name;
    } else {
      TcpSocket().Connect("127.0.0.1", peer.PortText().c_str());  // so that the peer ends
    }
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST(TcpSocket, RefusedConnection) {
  const std::string port = std::to_string(testing_support::FreePort());
  TcpSocket socket;
  EXPECT_EQ(socket.Connect("127.0.0.1", port.c_str()), 0);
  EXPECT_EQ(socket.LastError(), ECONNREFUSED);
  EXPECT_EQ(socket.Send("x", 1), 0);
  char byte;
  EXPECT_EQ(socket.Receive(&byte, 1), -1);
}

TEST(TcpSocket, SilentPeerTimesOutAndStaysOpen) {
  Peer peer({Peer::ExpectClosed()});
  TcpSocket socket;
  socket.SetReceiveTimeout(1);
  ASSERT_EQ(socket.Connect("127.0.0.1", peer.PortText().c_str()), 1);
  char byte;
  EXPECT_EQ(socket.Receive(&byte, 1), -1);
  EXPECT_EQ(socket.LastError(), TcpSocket::kTimedOut);
  EXPECT_TRUE(socket.IsConnected());
  socket.Close();
  EXPECT_EQ(peer.Finish(), "");
}

TEST(TcpSocket, PeerThatClosesLeavesTheSocketClosed) {
  Peer peer({Peer::Send("61 62"), Peer::Close()});
  TcpSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", peer.PortText().c_str()), 1);
  ASSERT_EQ(peer.Finish(), "");
  char bytes[8];
  EXPECT_EQ(socket.Receive(bytes, sizeof bytes), 2);
  EXPECT_EQ(socket.Receive(bytes, sizeof bytes), -1);
  EXPECT_EQ(socket.LastError(), TcpSocket::kClosedByPeer);
  EXPECT_FALSE(socket.IsConnected());
  EXPECT_EQ(socket.Send("x", 1), 0);
}

// Sending to a peer that has gone must neither raise SIGPIPE nor block.
TEST(TcpSocket, VanishedPeerDoesNotKillTheProcess) {
  // A reset before the connect has been seen through would fail the connect instead.
  Peer peer({Peer::Wait(std::chrono::milliseconds(200)), Peer::Abort()});
  TcpSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", peer.PortText().c_str()), 1);
  ASSERT_EQ(peer.Finish(), "");
  const std::vector<char> data(1 << 16, 'x');
  testing::internal::CaptureStdout();
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(socket.Send(data.data(), data.size()), 1);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("SOCKET END ERROR: "), std::string::npos);
}

}  // namespace
}  // namespace dicom
