// Associations with storescp, dcmqrscp and Orthanc, each started once for the suite. Echo and a
// refused called title are checked through the commands (EchoInteropTest,
// NetworkCommandsInteropTest).

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/Association.h"
#include "support/Programs.h"

namespace dicom {
namespace {

using namespace testing_support;

constexpr std::string_view kVerification = "1.2.840.10008.1.1";
constexpr std::string_view kStudyFind = "1.2.840.10008.5.1.4.1.2.2.1";
constexpr std::string_view kStudyMove = "1.2.840.10008.5.1.4.1.2.2.2";
constexpr std::string_view kCtImage = "1.2.840.10008.5.1.4.1.1.2";
// What each of these peers logs on an A-RELEASE-RQ; an abort reads differently.
constexpr std::string_view kReleaseLogged = "Association Release";

struct PeerKind {
  const char* name;
  const char* title;
  std::vector<std::string_view> accepted;  // of these four proposed
};

const std::vector<std::string_view> kProposed = {kVerification, kStudyFind, kStudyMove, kCtImage};
const PeerKind kPeers[] = {
    {"storescp", "STORESCP", {kVerification, kCtImage}},
    {"dcmqrscp", "ARCHIVE", kProposed},
    {"Orthanc", "ORTHANC", kProposed},
};

struct Running {
  Peer peer;
  std::string failure;
};

class AssociationInteropTest : public testing::TestWithParam<PeerKind> {
 public:
  static void TearDownTestSuite() { peers_.clear(); }

 protected:
  void SetUp() override {
    std::unique_ptr<Running>& running = peers_[GetParam().name];
    if (!running) {
      running = std::make_unique<Running>();
      running->failure = running->peer.Start(PeerArgs(GetParam().name, running->peer));
    }
    ASSERT_EQ(running->failure, "");
    peer_ = &running->peer;
    association_.SetCallingTitle("DICOMNET");
    association_.SetApplicationContext("1.2.840.10008.3.1.1.1");
    association_.Socket().SetReceiveTimeout(30);
  }

  int Request(const char* title, const std::vector<std::string_view>& syntaxes) {
    association_.ClearAbstractSyntaxes();
    for (std::string_view uid : syntaxes)
      association_.AddAbstractSyntax(uid);
    association_.SetCalledTitle(title);
    return association_.Request("127.0.0.1", std::to_string(peer_->port).c_str());
  }

  // An orderly release, as the peer saw it too.
  void ReleaseAndCheck() {
    const std::size_t before = peer_->CountInLog(kReleaseLogged);
    EXPECT_EQ(association_.Release(), 1);
    EXPECT_FALSE(association_.IsConnected());
    EXPECT_TRUE(peer_->WaitForLog(kReleaseLogged, before)) << peer_->Log();
  }

  static inline std::map<std::string, std::unique_ptr<Running>> peers_;
  Peer* peer_ = nullptr;
  Association association_;
};

// Exactly the supported contexts are accepted, and the release is orderly on both sides.
TEST_P(AssociationInteropTest, AcceptsExactlyTheSupportedContextsAndReleases) {
  const PeerKind& kind = GetParam();
  ASSERT_EQ(Request(kind.title, kProposed), 1) << peer_->Log();
  std::vector<int> expected, accepted;
  for (const PresentationContext& context : association_.RequestPdu().presentationContexts) {
    if (std::ranges::count(kind.accepted, context.abstractSyntax.value.View()) > 0)
      expected.push_back(context.id);
  }
  ASSERT_EQ(expected.size(), kind.accepted.size());
  for (const PresentationContextAccept& context : association_.AcceptedContexts()) {
    accepted.push_back(context.id);
    EXPECT_EQ(context.transferSyntax.value.View(), Association::kImplicitLittleEndianUid);
  }
  std::ranges::sort(accepted);
  std::ranges::sort(expected);
  EXPECT_EQ(accepted, expected);
  ReleaseAndCheck();
}

INSTANTIATE_TEST_SUITE_P(Peers, AssociationInteropTest, testing::ValuesIn(kPeers),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dicom
