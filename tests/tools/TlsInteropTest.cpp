// DICOM over TLS with real peers: dicomnet's own receiver, DCMTK's storescp and storescu (Orthanc
// in BrowserInteropTest); certificates made by the openssl command for each run. And the receiver
// that takes only the addresses it was given.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Certificates.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "tools/ToolTests.h"

namespace {

using namespace testing_support;

// A secondary capture object, made by DCMTK.
std::string MakeObject(const TempDir& dir, const std::string& uid) {
  const std::string dump = dir.File(uid + ".dump"), path = dir.File(uid + ".dcm");
  WriteFile(dump, "(0008,0016) UI =SecondaryCaptureImageStorage\n(0008,0018) UI [" + uid +
                      "]\n(0010,0010) PN [Tls^Test]\n(0010,0020) LO [TLS1]\n"
                      "(0020,000d) UI [1.2.826.0.1.3680043.10.1021.9]\n"
                      "(0020,000e) UI [1.2.826.0.1.3680043.10.1021.9.1]\n");
  return RunProgram({"dump2dcm", "+te", dump, path}).status == 0 ? path : "";
}

// dicomnet's TLS options: "--tls --ca-file ca", and this side's certificate when named.
Args Tls(const Certificates& certificates, const std::string& name) {
  const Args tls = {"--tls", "--ca-file", certificates.Crt("ca")};
  return name.empty()
             ? tls
             : tls + Args{"--cert", certificates.Crt(name), "--key", certificates.Key(name)};
}

// A receiver on TLS with the certificate named (none: a plain one), dicomnet's or storescp.
Args Receiver(const Peer& peer, const Certificates& certificates, const std::string& name,
              bool dcmtk) {
  const std::string port = std::to_string(peer.port);
  if (dcmtk) {
    const Args tls = {"+tls", certificates.Key(name), certificates.Crt(name), "+cf",
                      certificates.Crt("ca")};
    return Args{"storescp", "-od", peer.File("")} + (name.empty() ? Args{} : tls) + Args{port};
  }
  return Args{DICOMNET_BIN, "receive", "--port", port, "--output-dir", peer.File("")} +
         (name.empty() ? Args{} : Tls(certificates, name));
}

// The connection fails, or not, the same way whichever receiver runs TLS; the failing side says
// why in words, and the run ends by itself within the time-out. Then objects travel over TLS each
// way: dicomnet to storescp, storescu to dicomnet's receiver.
TEST(TlsInteropTest, EchoOutcomesAndStoreWithDcmtk) {
  if (!HaveProgram("openssl") || !HaveProgram("storescu")) GTEST_SKIP() << "no openssl or DCMTK";
  Certificates certificates;
  ASSERT_EQ(certificates.Make(), "");
  struct Row {
    const char* what;
    std::string server;  // its certificate; empty: a plain receiver
    Args client;
    const char* echoSays;
    const char* receiverSays;  // dicomnet receive's log; storescp's is not looked at
  };
  const Args client = Tls(certificates, "client");
  const Row rows[] = {
      {"trusted", "server", client, "echo OK", nullptr},
      {"another authority", "stranger", client, "is not trusted: no configured authority signed it",
       nullptr},
      {"name mismatch", "elsewhere", client, "is for another host name or address", nullptr},
      {"client certificate missing", "server", Tls(certificates, ""),
       "requires a certificate from this side", "sent no certificate, though one is required"},
      {"client certificate of another authority", "server", Tls(certificates, "stranger"),
       "refused this side's certificate", "is not trusted"},
      {"TLS to a plain receiver", "", client, "does not speak TLS", nullptr},
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
      ASSERT_EQ(receiver.Start(Receiver(receiver, certificates, row.server, dcmtk)), "");
      const bool logged = !dcmtk && row.receiverSays != nullptr;
      const std::size_t before = logged ? receiver.CountInLog(row.receiverSays) : 0;
      const auto echo = RunProgram(Args{"timeout", "60", DICOMNET_BIN, "echo", "--timeout", "10"} +
                                   row.client + Args{"127.0.0.1", std::to_string(receiver.port)});
      EXPECT_NE((echo.out + echo.err).find(row.echoSays), std::string::npos)
          << echo.out << echo.err;
      EXPECT_EQ(echo.status, row.echoSays == std::string("echo OK") ? 0 : 1);
      if (logged) {
        EXPECT_TRUE(receiver.WaitForLog(row.receiverSays, before)) << receiver.Log();
      }
    }
  }

  TempDir data;
  const std::string object = MakeObject(data, "1.2.826.0.1.3680043.10.1021.9.1.1");
  ASSERT_NE(object, "");
  Peer storescp, receiver;
  ASSERT_EQ(storescp.Start(Receiver(storescp, certificates, "server", true)), "");
  auto run =
      Dicomnet(Args{"store"} + client + Args{"127.0.0.1", std::to_string(storescp.port), object});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(std::filesystem::exists(storescp.File("SC.1.2.826.0.1.3680043.10.1021.9.1.1")));

  ASSERT_EQ(
      receiver.Start(Receiver(receiver, certificates, "server", false) + Args{"-aet", "DICOMNET"}),
      "");
  run = RunProgram({"storescu", "-aec", "DICOMNET", "+tls", certificates.Key("client"),
                    certificates.Crt("client"), "+cf", certificates.Crt("ca"), "127.0.0.1",
                    std::to_string(receiver.port), object});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(receiver.WaitForLog("stored 1.2.826.0.1.3680043.10.1021.9.1.1 from STORESCU", 0));
}

// The A-ASSOCIATE-RJ a receiver with --accept-from gives a peer from another address (permanent,
// service user, calling AE title not recognized). The accepted one: BrowserInteropTest's TLS
// retrieve, whose receiver takes only the archive host.
TEST(TlsInteropTest, ReceiverTakesOnlyTheAddressesGiven) {
  Peer receiver;
  ASSERT_EQ(receiver.Start({DICOMNET_BIN, "receive", "--port", std::to_string(receiver.port),
                            "--accept-from", "localhost"}),
            "");
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
  ASSERT_EQ(bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  address.sin_port = htons(receiver.port);
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  ASSERT_EQ(connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(Replay(handle,
                   {{true, FromHex(AssociateRequest("1.2.840.10008.1.1"))},
                    {false, FromHex("03 00 00 00 00 04 00 01 01 03")}},
                   std::nullopt),
            "");
  EXPECT_TRUE(receiver.WaitForLog(
      "at 127.0.0.2 refused: the address is not among those accepted (--accept-from)", 0))
      << receiver.Log();
}

}  // namespace
