// Associations with real peers from Debian, each run by the test on free loopback ports: DCMTK's
// storescp and dcmqrscp, and Orthanc. Each peer starts once for the suite and stops with it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/TransferSyntax.h"
#include "data/VrCode.h"
#include "net/Association.h"
#include "support/PeerProcess.h"
#include "tools/Interop.h"

namespace dicom {
namespace {

using testing_support::FreePort;
using testing_support::PeerProcess;

constexpr std::string_view kVerification = "1.2.840.10008.1.1";
constexpr std::string_view kStudyFind = "1.2.840.10008.5.1.4.1.2.2.1";
constexpr std::string_view kStudyMove = "1.2.840.10008.5.1.4.1.2.2.2";
constexpr std::string_view kCtImage = "1.2.840.10008.5.1.4.1.1.2";
constexpr const char* kCallingTitle = "DICOMNET";
constexpr const char* kWrongTitle = "NOBODY";
constexpr std::string_view kApplicationContext = "1.2.840.10008.3.1.1.1";
// What every one of these peers writes to its verbose log when it answers an A-RELEASE-RQ; an
// abort reads differently.
constexpr std::string_view kReleaseLogged = "Association Release";
// A peer that stops answering fails the test instead of holding it for the default time-out.
constexpr int kReceiveTimeout = 30;

struct PeerKind {
  const char* name;
  const char* program;
  const char* calledTitle;
  // What the peer logs when it refuses an association addressed to another title; empty when it
  // accepts any called title.
  std::string_view rejectionLogged;
  std::vector<std::string_view> proposed;
  std::vector<std::string_view> accepted;
  // Writes what the program needs into its directory and returns its command line.
  std::vector<std::string> (*commandLine)(const PeerProcess& peer, std::uint16_t port);
};

void PrintTo(const PeerKind& kind, std::ostream* out) {
  *out << kind.name;
}

// The lines, each ended.
std::string Text(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

std::vector<std::string> Storescp(const PeerProcess& peer, std::uint16_t port) {
  std::filesystem::create_directory(peer.File("received"));
  return {
      "storescp", "-v", "--aetitle", "STORESCP", "-od", peer.File("received"), std::to_string(port),
  };
}

// One archive title with its storage area, open to any peer. Fork mode, the default: each
// association runs in a child of the listening process.
std::vector<std::string> Dcmqrscp(const PeerProcess& peer, std::uint16_t port) {
  std::filesystem::create_directory(peer.File("ARCHIVE"));
  interop::WriteFile(peer.File("dcmqrscp.cfg"),
                     Text({
                         "NetworkTCPPort = " + std::to_string(port),
                         "MaxPDUSize = 16384",
                         "MaxAssociations = 16",
                         "HostTable BEGIN",
                         "HostTable END",
                         "VendorTable BEGIN",
                         "VendorTable END",
                         "AETable BEGIN",
                         "ARCHIVE " + peer.File("ARCHIVE") + " RW (10, 1024mb) ANY",
                         "AETable END",
                     }));
  return {"dcmqrscp", "-v", "-c", peer.File("dcmqrscp.cfg"), std::to_string(port)};
}

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// DICOM only: the HTTP server is off, though it gets a free port all the same. The modality entry
// names our calling title, so that queries and retrievals are allowed to it.
std::vector<std::string> Orthanc(const PeerProcess& peer, std::uint16_t port) {
  const std::string client =
      std::string("[\"") + kCallingTitle + "\", \"127.0.0.1\", " + std::to_string(FreePort()) + "]";
  interop::WriteFile(peer.File("orthanc.json"),
                     Text({
                         "{",
                         "  \"Name\": \"dicomnet-interop\",",
                         "  \"DicomAet\": \"ORTHANC\",",
                         "  \"DicomPort\": " + std::to_string(port) + ",",
                         "  \"DicomCheckCalledAet\": true,",
                         "  \"HttpServerEnabled\": false,",
                         "  \"HttpPort\": " + std::to_string(FreePort()) + ",",
                         "  \"RemoteAccessAllowed\": false,",
                         "  \"StorageDirectory\": " + JsonString(peer.File("storage")) + ",",
                         "  \"IndexDirectory\": " + JsonString(peer.File("index")) + ",",
                         "  \"DicomModalities\": {\"client\": " + client + "},",
                         "  \"Plugins\": []",
                         "}",
                     }));
  return {"/usr/sbin/Orthanc", "--verbose", peer.File("orthanc.json")};
}

const PeerKind kPeers[] = {
    // storescp takes verification and storage whatever the called title, and no queries.
    {.name = "storescp",
     .program = "storescp",
     .calledTitle = "STORESCP",
     .rejectionLogged = "",
     .proposed = {kVerification, kStudyFind, kCtImage},
     .accepted = {kVerification, kCtImage},
     .commandLine = Storescp},
    {.name = "dcmqrscp",
     .program = "dcmqrscp",
     .calledTitle = "ARCHIVE",
     .rejectionLogged = "Refusing Association (BadAEService)",
     .proposed = {kVerification, kStudyFind, kStudyMove, kCtImage},
     .accepted = {kVerification, kStudyFind, kStudyMove, kCtImage},
     .commandLine = Dcmqrscp},
    {.name = "Orthanc",
     .program = "/usr/sbin/Orthanc",
     .calledTitle = "ORTHANC",
     .rejectionLogged = "because of a bad called AET",
     .proposed = {kVerification, kStudyFind, kStudyMove},
     .accepted = {kVerification, kStudyFind, kStudyMove},
     .commandLine = Orthanc},
};

struct RunningPeer {
  PeerProcess process;
  std::uint16_t port = 0;
  std::string failure;
};

class AssociationInteropTest : public ::testing::TestWithParam<PeerKind> {
 public:
  static void TearDownTestSuite() { peers_.clear(); }

 protected:
  void SetUp() override {
    const PeerKind& kind = GetParam();
    if (!interop::HaveProgram(kind.program)) GTEST_SKIP() << kind.program << " is not installed";
    peer_ = &Started(kind);
    ASSERT_EQ(peer_->failure, "");
    association_.SetCallingTitle(kCallingTitle);
    association_.SetApplicationContext(kApplicationContext);
    association_.Socket().SetReceiveTimeout(kReceiveTimeout);
  }

  // The suite's one instance of the peer, started on first use.
  static RunningPeer& Started(const PeerKind& kind) {
    std::unique_ptr<RunningPeer>& slot = peers_[kind.name];
    if (!slot) {
      slot = std::make_unique<RunningPeer>();
      try {
        slot->port = FreePort();
        slot->process.Start(kind.commandLine(slot->process, slot->port));
        slot->failure = slot->process.WaitForPort(slot->port);
      } catch (const std::exception& e) {
        slot->failure = std::string(kind.name) + " could not start: " + e.what();
      }
    }
    return *slot;
  }

  int Request(const char* calledTitle, const std::vector<std::string_view>& syntaxes) {
    association_.ClearAbstractSyntaxes();
    for (std::string_view uid : syntaxes)
      association_.AddAbstractSyntax(uid);
    association_.SetCalledTitle(calledTitle);
    return association_.Request("127.0.0.1", std::to_string(peer_->port).c_str());
  }

  // Releases, and checks that the peer saw an orderly release rather than an abort.
  void ReleaseAndCheck() {
    const std::size_t before = peer_->process.CountInLog(kReleaseLogged);
    EXPECT_EQ(association_.Release(), 1);
    EXPECT_FALSE(association_.IsConnected());
    EXPECT_TRUE(peer_->process.WaitForLog(kReleaseLogged, before))
        << "no orderly release in the log of the peer, " << peer_->process.Status() << ":\n"
        << peer_->process.Log();
  }

  std::string Log() const { return peer_->process.Log(); }

  static inline std::map<std::string, std::unique_ptr<RunningPeer>> peers_;
  RunningPeer* peer_ = nullptr;
  Association association_;
};

TEST_P(AssociationInteropTest, AcceptsExactlyTheSupportedContextsAndReleases) {
  const PeerKind& kind = GetParam();
  ASSERT_EQ(Request(kind.calledTitle, kind.proposed), 1) << Log();
  EXPECT_TRUE(association_.IsConnected());

  // The ids this side gave to the abstract syntaxes the peer supports.
  std::vector<int> expected;
  for (const PresentationContext& context : association_.RequestPdu().presentationContexts) {
    const std::string_view uid = context.abstractSyntax.value.View();
    if (std::find(kind.accepted.begin(), kind.accepted.end(), uid) != kind.accepted.end()) {
      expected.push_back(context.id);
    }
  }
  ASSERT_EQ(expected.size(), kind.accepted.size());
  std::vector<int> accepted;
  for (const PresentationContextAccept& context : association_.AcceptedContexts()) {
    accepted.push_back(context.id);
    EXPECT_EQ(context.transferSyntax.value.View(), Association::kImplicitLittleEndianUid)
        << "context " << int{context.id};
  }
  std::sort(expected.begin(), expected.end());
  std::sort(accepted.begin(), accepted.end());
  EXPECT_EQ(accepted, expected);

  ReleaseAndCheck();
}

// A peer that checks the called title refuses the association, and the association is then ready
// for a request with the right title; one that does not check accepts either.
TEST_P(AssociationInteropTest, CalledTitleOfAnotherEntity) {
  const PeerKind& kind = GetParam();
  const bool checked = !kind.rejectionLogged.empty();
  const std::size_t rejections = peer_->process.CountInLog(kind.rejectionLogged);
  EXPECT_EQ(Request(kWrongTitle, {kVerification}), checked ? 0 : 1) << Log();
  EXPECT_EQ(association_.IsConnected(), !checked);
  if (checked) {
    EXPECT_TRUE(peer_->process.WaitForLog(kind.rejectionLogged, rejections))
        << "no rejection in the log of the peer, " << peer_->process.Status() << ":\n"
        << Log();
  } else {
    ReleaseAndCheck();
  }

  ASSERT_EQ(Request(kind.calledTitle, {kVerification}), 1) << Log();
  ReleaseAndCheck();
}

TEST_P(AssociationInteropTest, EchoIsAnsweredWithSuccess) {
  const PeerKind& kind = GetParam();
  ASSERT_EQ(Request(kind.calledTitle, {kVerification}), 1) << Log();

  DataSet command;
  command.InsertText(0x00000002, vr::UI, kVerification);
  command.InsertUS(0x00000100, 0x0030);  // C-ECHO-RQ
  command.InsertUS(0x00000110, 1);
  command.InsertUS(0x00000800, 0x0101);  // no data set follows
  ASSERT_EQ(association_.SendMessage(1, command, kVerification, ImplicitLittleEndian), 1);

  DataSet response;
  ASSERT_EQ(association_.ReceiveMessage(response), 1) << Log();
  EXPECT_EQ(response.GetUS(0x00000100), 0x8030);  // C-ECHO-RSP
  EXPECT_EQ(response.GetUS(0x00000900), 0x0000);  // success
  EXPECT_EQ(response.GetUS(0x00000120), 1);       // answers our message 1
  EXPECT_EQ(response.GetText(0x00000002, vr::UI), kVerification);
  EXPECT_EQ(response.GetUS(0x00000800), 0x0101);

  ReleaseAndCheck();
}

INSTANTIATE_TEST_SUITE_P(Peers, AssociationInteropTest, ::testing::ValuesIn(kPeers),
                         [](const ::testing::TestParamInfo<PeerKind>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace dicom
