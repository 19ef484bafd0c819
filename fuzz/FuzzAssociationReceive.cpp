// Feeds the input to an established association as the bytes its peer sends after the
// A-ASSOCIATE-AC. The peer is a thread behind a loopback listener: it reads the request, answers
// with a fixed AC accepting Verification (context 1) and Study Root Find (context 3) in implicit
// VR little-endian, sends the input and ends its side of the connection, so that no wait of the
// association outlasts the input. The association then receives until a message fails, and
// releases.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "data/DataSet.h"
#include "net/Association.h"
#include "net/IdCounter.h"

namespace {

constexpr std::string_view kVerification = "1.2.840.10008.1.1";
constexpr std::string_view kStudyRootFind = "1.2.840.10008.5.1.4.1.2.2.1";
constexpr int kMaxMessages = 64;
// Only a broken harness or a very busy machine waits this long.
constexpr int kPeerTimeoutSeconds = 5;

// The A-ASSOCIATE-AC: version 1, called ARCHIVE, calling DICOMNET, the application context,
// contexts 1 and 3 accepted in implicit VR little-endian, a maximum length of 16384.
constexpr char kAccept[] =
    "\x02\x00\x00\x00\x00\xa3"
    "\x00\x01\x00\x00"
    "ARCHIVE         DICOMNET        "
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
    "\x10\x00\x00\x15"
    "1.2.840.10008.3.1.1.1"
    "\x21\x00\x00\x19\x01\x00\x00\x00\x40\x00\x00\x11"
    "1.2.840.10008.1.2"
    "\x21\x00\x00\x19\x03\x00\x00\x00\x40\x00\x00\x11"
    "1.2.840.10008.1.2"
    "\x50\x00\x00\x08\x51\x00\x00\x04\x00\x00\x40\x00";

bool ReadExactly(int connection, std::uint8_t* buffer, std::size_t count) {
  while (count > 0) {
    const ssize_t got = recv(connection, buffer, count, 0);
    if (got <= 0) return false;
    buffer += got;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

void SendAll(int connection, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t sent = send(connection, bytes, count, MSG_NOSIGNAL);
    if (sent <= 0) return;
    bytes += sent;
    count -= static_cast<std::size_t>(sent);
  }
}

// The peer's listening socket on the loopback address, made once for the process; its port.
int Listener(std::uint16_t& port) {
  static int handle = -1;
  static std::uint16_t bound = 0;
  if (handle < 0) {
    handle = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (handle < 0 || bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(handle, 4) != 0 ||
        getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::perror("loopback listener");
      std::abort();
    }
    bound = ntohs(address.sin_port);
  }
  port = bound;
  return handle;
}

// One connection of the peer: the request is read whole and not looked at.
void Serve(int listener, const std::uint8_t* data, std::size_t size) {
  pollfd entry{listener, POLLIN, 0};
  if (poll(&entry, 1, kPeerTimeoutSeconds * 1000) != 1) return;
  const int connection = accept(listener, nullptr, nullptr);
  if (connection < 0) return;
  const timeval limit{kPeerTimeoutSeconds, 0};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::uint8_t header[6];
  if (ReadExactly(connection, header, sizeof header)) {
    const std::uint32_t length =
        (std::uint32_t{header[2]} << 24) | (header[3] << 16) | (header[4] << 8) | header[5];
    std::vector<std::uint8_t> request(length);
    if (ReadExactly(connection, request.data(), length)) {
      SendAll(connection, reinterpret_cast<const std::uint8_t*>(kAccept), sizeof kAccept - 1);
      SendAll(connection, data, size);
    }
  }
  // Ending our side first lets every later receive of the association see the end at once;
  // reading on until it closes spares it a reset that could swallow bytes not yet read.
  shutdown(connection, SHUT_WR);
  std::uint8_t sink[4096];
  while (recv(connection, sink, sizeof sink, 0) > 0) {
  }
  close(connection);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint16_t port = 0;
  std::thread peer(Serve, Listener(port), data, size);

  dicom::SetIdCounter(1);
  dicom::Association association;
  association.SetCallingTitle("DICOMNET");
  association.SetCalledTitle("ARCHIVE");
  association.SetApplicationContext("1.2.840.10008.3.1.1.1");
  association.AddAbstractSyntax(kVerification);
  association.AddAbstractSyntax(kStudyRootFind);
  // The AC is fixed and valid: a refusal means the harness is broken, not the association. The
  // handshake may wait for a busy machine; after it, the peer's end stops every wait.
  association.Socket().SetReceiveTimeout(kPeerTimeoutSeconds);
  if (association.Request("127.0.0.1", std::to_string(port).c_str()) != 1) {
    std::fprintf(stderr, "the association with the loopback peer was not set up\n");
    std::abort();
  }
  association.Socket().SetReceiveTimeout(1);
  // Every other message is passed on as it arrives, as the receiver keeps an object.
  std::uint64_t passedOn = 0;
  const auto take = [&passedOn](const std::uint8_t*, std::uint32_t count) { passedOn += count; };
  for (int i = 0; i < kMaxMessages; ++i) {
    dicom::DataSet message;
    if (!(i % 2 ? association.ReceiveDataSet(take) : association.ReceiveMessage(message))) break;
  }
  association.Release();
  peer.join();
  return 0;
}
