#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "net/AssociationAcceptor.h"
#include "net/TcpListener.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"

namespace dicom {
namespace {

using namespace testing_support;

constexpr std::string_view kVerification = "1.2.840.10008.1.1";
constexpr std::string_view kCtImage = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kFind = "1.2.840.10008.5.1.4.1.2.2.1";
const std::string kJpeg = AsciiHex("1.2.840.10008.1.2.4.50");
const std::string kExplicitLittle = AsciiHex("1.2.840.10008.1.2.1");
const std::string kExplicitBig = AsciiHex("1.2.840.10008.1.2.2");

std::string Result(int id, int result, const std::string& syntax) {
  return Item(0x21, Hex(id, 1) + "00 " + Hex(result, 1) + "00 " + Item(0x40, syntax));
}

// An echo command on context 1, a message of one PDV.
const std::string kEcho =
    DataPdu({{1, 3,
              CommandSet({CommandUi(0x0002, kVerification), CommandUs(0x0100, 0x0030),
                          CommandUs(0x0110, 7), CommandUs(0x0800, 0x0101)})}});

// Connects to the acceptor, sends the bytes and collects what comes back until the acceptor
// closes the connection (or 20 s pass, which fails the case).
std::string Exchange(std::uint16_t port, const std::string& hex) {
  const int fd = ConnectToLoopback(port);
  if (fd < 0) return "no connection";
  const std::vector<std::uint8_t> bytes = FromHex(hex);
  if (!bytes.empty() && send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) return "not sent";
  std::vector<std::uint8_t> received;
  std::uint8_t buffer[4096];
  pollfd entry{fd, POLLIN, 0};
  while (poll(&entry, 1, 20000) == 1) {
    const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
    if (count <= 0) break;
    received.insert(received.end(), buffer, buffer + count);
  }
  close(fd);
  return ToHex(received);
}

// Serves the connections one after the other as the receiver does: each established association
// echoes every message back on the context it came on, until it ends.
class Acceptor {
 public:
  explicit Acceptor(int connections) {
    listener_.Listen(0);
    acceptor_.SetOwnTitle("ARCHIVE");
    acceptor_.SetAbstractSyntaxes([](std::string_view uid) {
      return uid == kVerification || uid.starts_with("1.2.840.10008.5.1.4.1.1.");
    });
    thread_ = std::thread([this, connections] {
      for (int served = 0; served < connections;) {
        const int handle = listener_.Accept(std::chrono::milliseconds(20000));
        if (handle < 0) return;
        ++served;
        Association association;
        association.Socket().SetReceiveTimeout(1);
        if (acceptor_.Accept(association, handle) != AssociationAcceptor::Outcome::Established)
          continue;
        for (DataSet message; association.ReceiveMessage(message); message.Clear()) {
          association.SendMessageOnContext(association.MessageIsCommand() ? 3 : 2, message,
                                           association.MessageContextId(), ImplicitLittleEndian);
        }
      }
    });
  }
  ~Acceptor() { thread_.join(); }
  std::uint16_t Port() const { return listener_.Port(); }

 private:
  TcpListener listener_;
  AssociationAcceptor acceptor_;
  std::thread thread_;
};

TEST(AssociationAcceptorTest, EachConnectionGetsItsAnswerAndTheNextIsServed) {
  const std::string user = UserInformation();
  const std::string request =
      Pdu(0x01, AssociateBody(Proposal(1, kVerification, {ImplicitSyntax()}) +
                              Proposal(3, kCtImage, {kJpeg, kExplicitLittle, ImplicitSyntax()}) +
                              Proposal(5, kFind, {ImplicitSyntax()}) +
                              Proposal(7, kCtImage, {kJpeg}) + user));
  const std::string accept =
      Pdu(0x02, AssociateBody(Result(1, 0, ImplicitSyntax()) + Result(3, 0, kExplicitLittle) +
                              Result(5, 3, ImplicitSyntax()) + Result(7, 4, kJpeg) + user));
  const auto withBody = [&](const std::string& fixed) {
    return Pdu(0x01, fixed + std::string(64, '0') + Item(0x10, AsciiHex("1.2.840.10008.3.1.1.1")) +
                         Proposal(1, kVerification, {ImplicitSyntax()}) + user);
  };
  const std::string calledOther = "00 01 00 00 " + AsciiHex("OTHER           DICOMNET        ");
  const std::string version2 = "00 02 00 00 " + AsciiHex("ARCHIVE         DICOMNET        ");
  const std::string bigEndianEcho =
      Pdu(0x01, AssociateBody(Proposal(1, kVerification, {kExplicitBig}) + user));

  struct Case {
    const char* name;
    std::string sent;
    std::string answer;  // everything the acceptor sends before it closes
  };
  const Case cases[] = {
      {"the proposal answered context by context, then released", request + kReleaseRq.data(),
       accept + kReleaseRp.data()},
      {"called title not its own", withBody(calledOther), "03 00 00 00 00 04 00 01 01 07"},
      {"protocol version without bit 0", withBody(version2), "03 00 00 00 00 04 00 01 02 02"},
      {"garbage instead of a request", "ff 00 00 00 00 02 12 34", "07 00 00 00 00 04 00 00 02 01"},
      {"a request over 1 MiB is refused unread", "01 00 00 10 00 01", kProviderAbort.data()},
      {"a request cut short, then silence", request.substr(0, 60), kProviderAbort.data()},
      {"an A-ABORT instead of a request", kUserAbort.data(), ""},
      {"a PDV shorter than its header ends the association",
       request + "04 00 00 00 00 05 00 00 00 01 01", accept + kProviderAbort.data()},
      // The command of a context accepted in big-endian still travels in implicit little-endian.
      {"a command echoed on its context", bigEndianEcho + kEcho + kReleaseRq.data(),
       Pdu(0x02, AssociateBody(Result(1, 0, kExplicitBig) + user)) + kEcho + kReleaseRp.data()},
  };
  Acceptor acceptor(static_cast<int>(std::size(cases)));
  for (const Case& c : cases) {
    EXPECT_EQ(Exchange(acceptor.Port(), c.sent), ToHex(FromHex(c.answer))) << c.name;
  }
}

}  // namespace
}  // namespace dicom
