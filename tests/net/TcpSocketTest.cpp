#include <gtest/gtest.h>

#include <cerrno>
#include <string>

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

}  // namespace
}  // namespace dicom
