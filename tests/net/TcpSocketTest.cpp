#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "net/TcpSocket.h"

namespace dicom {
namespace {

// A loopback listener on a free port (or a chosen one) that accepts when asked.
class Listener {
 public:
  explicit Listener(std::uint16_t port = 0) {
    handle_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(handle_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ok_ = bind(handle_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
          listen(handle_, 4) == 0 &&
          getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    port_ = ntohs(address.sin_port);
  }
  ~Listener() {
    if (peer_ >= 0) close(peer_);
    close(handle_);
  }
  bool Ok() const { return ok_; }
  std::uint16_t Port() const { return port_; }
  int Accept() { return peer_ = accept(handle_, nullptr, nullptr); }

 private:
  int handle_;
  int peer_ = -1;
  bool ok_;
  std::uint16_t port_ = 0;
};

TEST(TcpSocket, InstancesAreCounted) {
  const std::uint16_t before = TcpSocket::InstanceCount();
  {
    TcpSocket first;
    {
      TcpSocket second;
      EXPECT_EQ(TcpSocket::InstanceCount(), before + 2);
    }
    EXPECT_EQ(TcpSocket::InstanceCount(), before + 1);
  }
  EXPECT_EQ(TcpSocket::InstanceCount(), before);
}

TEST(TcpSocket, HostAndPortTexts) {
  Listener listener;
  ASSERT_TRUE(listener.Ok());
  const std::string port = std::to_string(listener.Port());
  struct Case {
    const char* name;
    std::string host;
    std::string port;
    int result;
  };
  const Case cases[] = {
      {"dotted address", "127.0.0.1", port, 1},
      {"name looked up", "localhost", port, 1},
      {"port truncated to 16 bits", "127.0.0.1", std::to_string(65536 + listener.Port()), 1},
      {"text starting with a number is never looked up", "3dserver", port, 0},
      {"unknown service name", "127.0.0.1", "no-such-service", 0},
      {"port 0 is looked up as a service name", "127.0.0.1", "0", 0},
      {"port 65536 is zero after truncation", "127.0.0.1", "65536", 0},
      {"host of 128 characters", std::string(128, 'a'), port, 0},
  };
  for (const Case& c : cases) {
    TcpSocket socket;
    EXPECT_EQ(socket.Connect(c.host.c_str(), c.port.c_str()), c.result) << c.name;
    EXPECT_EQ(socket.IsConnected(), c.result == 1) << c.name;
    if (c.result == 1) {
      EXPECT_EQ(socket.LastError(), 0) << c.name;
      EXPECT_GT(listener.Accept(), 0) << c.name;
    }
  }
}

TEST(TcpSocket, ServiceNameGivesItsPort) {
  const servent* service = getservbyname("dicom", nullptr);
  if (service == nullptr) GTEST_SKIP() << "no service named dicom";
  Listener listener(ntohs(static_cast<std::uint16_t>(service->s_port)));
  if (!listener.Ok()) GTEST_SKIP() << "the port of the dicom service is taken";
  TcpSocket socket;
  EXPECT_EQ(socket.Connect("127.0.0.1", "dicom"), 1);
}

TEST(TcpSocket, RefusedConnection) {
  std::uint16_t port;
  {
    Listener closed;
    port = closed.Port();
  }
  TcpSocket socket;
  EXPECT_EQ(socket.Connect("127.0.0.1", std::to_string(port).c_str()), 0);
  EXPECT_EQ(socket.LastError(), ECONNREFUSED);
  EXPECT_EQ(socket.Send("x", 1), 0);
  char byte;
  EXPECT_EQ(socket.Receive(&byte, 1), -1);
}

TEST(TcpSocket, SilentPeerTimesOutAndStaysOpen) {
  Listener listener;
  TcpSocket socket;
  socket.SetReceiveTimeout(1);
  ASSERT_EQ(socket.Connect("127.0.0.1", std::to_string(listener.Port()).c_str()), 1);
  listener.Accept();
  char byte;
  EXPECT_EQ(socket.Receive(&byte, 1), -1);
  EXPECT_EQ(socket.LastError(), TcpSocket::kTimedOut);
  EXPECT_TRUE(socket.IsConnected());
}

TEST(TcpSocket, PeerThatClosesLeavesTheSocketClosed) {
  Listener listener;
  TcpSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", std::to_string(listener.Port()).c_str()), 1);
  const int peer = listener.Accept();
  ASSERT_EQ(send(peer, "ab", 2, 0), 2);
  shutdown(peer, SHUT_RDWR);
  char bytes[8];
  EXPECT_EQ(socket.Receive(bytes, sizeof bytes), 2);
  EXPECT_EQ(socket.Receive(bytes, sizeof bytes), -1);
  EXPECT_EQ(socket.LastError(), TcpSocket::kClosedByPeer);
  EXPECT_FALSE(socket.IsConnected());
  EXPECT_EQ(socket.Send("x", 1), 0);
}

// Sending to a peer that has gone must neither raise SIGPIPE nor block.
TEST(TcpSocket, VanishedPeerDoesNotKillTheProcess) {
  Listener listener;
  TcpSocket socket;
  ASSERT_EQ(socket.Connect("127.0.0.1", std::to_string(listener.Port()).c_str()), 1);
  const int peer = listener.Accept();
  const linger reset{1, 0};
  setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  close(peer);
  const std::vector<char> data(1 << 16, 'x');
  testing::internal::CaptureStdout();
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(socket.Send(data.data(), data.size()), 1);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("SOCKET END ERROR: "), std::string::npos);
}

}  // namespace
}  // namespace dicom
