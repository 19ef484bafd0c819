// DICOM over TLS with real peers: dicomnet's own receiver, DCMTK's storescp and storescu, and
// Orthanc; certificates made by the openssl command for each run. And the receiver that takes
// only the addresses it was given.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Certificates.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

Args operator+(Args left, const Args& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

// A secondary capture object, made by DCMTK.
std::string MakeObject(const TempDir& dir, const std::string& uid) {
  const std::string dump = dir.File(uid + ".dump"), path = dir.File(uid + ".dcm");
  WriteFile(dump, "(0008,0016) UI =SecondaryCaptureImageStorage\n(0008,0018) UI [" + uid +
                      "]\n(0010,0010) PN [Tls^Test]\n(0010,0020) LO [TLS1]\n"
                      "(0020,000d) UI [1.2.826.0.1.3680043.10.1021.9]\n"
                      "(0020,000e) UI [1.2.826.0.1.3680043.10.1021.9.1]\n");
  return RunProgram({"dump2dcm", "+te", dump, path}).status == 0 ? path : "";
}

// The connection fails, or not, the same way whichever receiver runs TLS; the failing side says
// why in words, and the run ends by itself within the time-out.
TEST(TlsInteropTest, EchoOutcomesAgainstBothReceivers) {
  if (!HaveProgram("openssl") || !HaveProgram("storescp")) GTEST_SKIP() << "no openssl or DCMTK";
  Certificates certificates;
  ASSERT_EQ(certificates.Make(), "");
  const auto client = [&](const std::string& name) {
    Args args = {"--tls", "--ca-file", certificates.Crt("ca")};
    return name.empty()
               ? args
               : args + Args{"--cert", certificates.Crt(name), "--key", certificates.Key(name)};
  };
  struct Row {
    const char* what;
    std::string server;  // its certificate; empty: a plain receiver
    Args client;
    const char* echoSays;
    const char* receiverSays;  // dicomnet receive's log; storescp's is not looked at
  };
  const Row rows[] = {
      {"trusted", "server", client("client"), "echo OK", nullptr},
      {"another authority", "stranger", client("client"),
       "is not trusted: no configured authority signed it", nullptr},
      {"expired", "expired", client("client"), "has expired", nullptr},
      {"name mismatch", "elsewhere", client("client"), "is for another host name or address",
       nullptr},
      {"client certificate missing", "server", client(""), "requires a certificate from this side",
       "sent no certificate, though one is required"},
      {"client certificate of another authority", "server", client("stranger"),
       "refused this side's certificate", "is not trusted"},
      {"TLS to a plain receiver", "", client("client"), "does not speak TLS", nullptr},
      {"plain to a TLS receiver",
       "server",
       {},
       "closed the connection without answering",
       "does not speak TLS"},
  };
  for (const bool dcmtk : {false, true}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(dcmtk ? "storescp: " : "dicomnet receive: ") + row.what);
      Peer receiver;
      const std::string port = std::to_string(receiver.port);
      const std::string crt = certificates.Crt(row.server), key = certificates.Key(row.server);
      Args argv = dcmtk ? Args{"storescp", "-od", receiver.File("")}
                        : Args{DICOMNET_BIN, "receive", "--output-dir", receiver.File("")};
      if (!row.server.empty()) {
        argv = argv + (dcmtk ? Args{"+tls", key, crt, "+cf", certificates.Crt("ca")}
                             : Args{"--tls", "--cert", crt, "--key", key, "--ca-file",
                                    certificates.Crt("ca")});
      }
      argv = argv + (dcmtk ? Args{port} : Args{"--port", port});
      ASSERT_EQ(receiver.Start(argv), "");
      const bool logged = !dcmtk && row.receiverSays != nullptr;
      const std::size_t before = logged ? receiver.CountInLog(row.receiverSays) : 0;
      const auto echo = RunProgram(Args{"timeout", "60", DICOMNET_BIN, "echo", "--timeout", "10"} +
                                   row.client + Args{"127.0.0.1", port});
      EXPECT_NE((echo.out + echo.err).find(row.echoSays), std::string::npos)
          << echo.out << echo.err;
      EXPECT_EQ(echo.status, row.echoSays == std::string("echo OK") ? 0 : 1);
      if (logged) {
        EXPECT_TRUE(receiver.WaitForLog(row.receiverSays, before)) << receiver.Log();
      }
    }
  }
}

// Objects travel over TLS each way: dicomnet to storescp and Orthanc, storescu to dicomnet's
// receiver, and Orthanc's move back to it.
TEST(TlsInteropTest, StoreAndMoveWithDcmtkAndOrthanc) {
  if (!HaveProgram("openssl") || !HaveProgram("storescu") || !HaveProgram("/usr/sbin/Orthanc"))
    GTEST_SKIP() << "no openssl, DCMTK or Orthanc";
  Certificates certificates;
  ASSERT_EQ(certificates.Make(), "");
  const std::string ca = certificates.Crt("ca");
  const Args server = {"--cert", certificates.Crt("server"), "--key", certificates.Key("server")};
  const Args client = Args{"--tls",
                           "--ca-file",
                           ca,
                           "--cert",
                           certificates.Crt("client"),
                           "--key",
                           certificates.Key("client")};
  TempDir data;
  const std::string object = MakeObject(data, "1.2.826.0.1.3680043.10.1021.9.1.1");
  ASSERT_NE(object, "");

  Peer storescp;
  ASSERT_EQ(
      storescp.Start({"storescp", "-od", storescp.File(""), "+tls", certificates.Key("server"),
                      certificates.Crt("server"), "+cf", ca, std::to_string(storescp.port)}),
      "");
  auto run = RunProgram(Args{DICOMNET_BIN, "store"} + client +
                        Args{"127.0.0.1", std::to_string(storescp.port), object});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(std::filesystem::exists(storescp.File("SC.1.2.826.0.1.3680043.10.1021.9.1.1")));

  Peer receiver;
  ASSERT_EQ(receiver.Start(Args{DICOMNET_BIN, "receive", "-aet", "DICOMNET", "--port",
                                std::to_string(receiver.port), "--output-dir", receiver.File(""),
                                "--tls", "--ca-file", ca} +
                           server),
            "");
  run = RunProgram({"storescu", "-aec", "DICOMNET", "+tls", certificates.Key("client"),
                    certificates.Crt("client"), "+cf", ca, "127.0.0.1",
                    std::to_string(receiver.port), object});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(receiver.WaitForLog("stored 1.2.826.0.1.3680043.10.1021.9.1.1 from STORESCU", 0));

  Peer orthanc;
  ASSERT_EQ(orthanc.Start(TlsOrthancArgs(orthanc, certificates, receiver.port)), "");
  const std::string port = std::to_string(orthanc.port);
  run = RunProgram(Args{DICOMNET_BIN, "store", "-aec", "ORTHANC"} + client +
                   Args{"127.0.0.1", port, object});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  run = RunProgram(Args{DICOMNET_BIN, "move", "-aec", "ORTHANC", "-k", "0008,0052=STUDY", "-k",
                        "0020,000d=1.2.826.0.1.3680043.10.1021.9"} +
                   client + Args{"127.0.0.1", port});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(receiver.WaitForLog("stored 1.2.826.0.1.3680043.10.1021.9.1.1 from ORTHANC", 0))
      << receiver.Log();
  run = RunProgram(Args{DICOMNET_BIN, "echo", "-aec", "ORTHANC", "--tls", "--ca-file",
                        certificates.Crt("other"), "127.0.0.1", port});
  EXPECT_NE(run.err.find("no configured authority signed it"), std::string::npos) << run.err;
}

// The A-ASSOCIATE-RJ a receiver with --accept-from gives a peer from another address (permanent,
// service user, calling AE title not recognized), and the A-ASSOCIATE-AC the accepted one gets.
TEST(TlsInteropTest, ReceiverTakesOnlyTheAddressesGiven) {
  Peer receiver;
  ASSERT_EQ(receiver.Start({DICOMNET_BIN, "receive", "--port", std::to_string(receiver.port),
                            "--accept-from", "localhost"}),
            "");
  const std::string request =
      Pdu(0x01, AssociateBody(Item(0x20, "01 00 00 00" + Item(0x30, AsciiHex("1.2.840.10008.1.1")) +
                                             Item(0x40, ImplicitSyntax())) +
                              UserInformation()));
  const struct {
    const char* from;
    std::string answer;  // the first bytes of it
  } rows[] = {
      {"127.0.0.2", "03 00 00 00 00 04 00 01 01 03"},
      {"127.0.0.1", "02 00"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.from);
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, row.from, &address.sin_addr);
    ASSERT_EQ(bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    address.sin_port = htons(receiver.port);
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ASSERT_EQ(connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::vector<std::uint8_t> bytes = FromHex(request);
    ASSERT_EQ(send(handle, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
    const std::vector<std::uint8_t> expected = FromHex(row.answer);
    std::vector<std::uint8_t> answer(expected.size());
    std::size_t got = 0;
    for (ssize_t n = 1; got < answer.size() && n > 0; got += static_cast<std::size_t>(n))
      n = recv(handle, answer.data() + got, answer.size() - got, 0);
    close(handle);
    EXPECT_EQ(ToHex(answer), ToHex(expected));
  }
  EXPECT_TRUE(receiver.WaitForLog(
      "at 127.0.0.2 refused: the address is not among those accepted (--accept-from)", 0))
      << receiver.Log();
}

}  // namespace
