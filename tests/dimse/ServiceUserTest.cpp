#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "dimse/CFindScu.h"
#include "dimse/CMoveScu.h"
#include "dimse/CStoreScu.h"
#include "dimse/CommandTags.h"
#include "dimse/MessageId.h"
#include "net/Association.h"
#include "net/IdCounter.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"

namespace dicom {
namespace {

using namespace testing_support;
using Peer = ScriptedPeer;
using Steps = std::vector<ScriptedPeer::Step>;

constexpr std::string_view kCtStorage = "1.2.840.10008.5.1.4.1.1.2";
constexpr const char* kInstance = "1.2.3.4.56";
constexpr Tag kPatientId = 0x00100020;
// FIND on context 1, MOVE on 3, CT storage on 5.
const std::string_view kSopClasses[] = {kStudyRootFindSopClass, kStudyRootMoveSopClass, kCtStorage};
const std::vector<std::pair<int, int>> kAllAccepted = {{1, 0}, {3, 0}, {5, 0}};
// (0010,0020) LO "PAT001": the identifier as the archive returns it.
const std::string kMatch = "10 00 20 00 06 00 00 00" + AsciiHex("PAT001");

enum class Service { Find, Move, Store };

// Proposes FIND, MOVE and CT storage; the next request gets message id 21.
bool Open(Association& association, const std::string& port) {
  Prepare(association);
  for (std::string_view uid : kSopClasses)
    association.AddAbstractSyntax(uid);
  const bool connected = association.Request("127.0.0.1", port.c_str()) == 1;
  SetIdCounter(20);
  return connected;
}

// Every request carries (0008,0052) CS "STUDY" and (0010,0020) LO "PAT001".
bool SendRequest(Service service, Association& association) {
  DataSet query;
  query.InsertText(0x00080052, vr::CS, "STUDY");
  query.InsertText(kPatientId, vr::LO, "PAT001");
  switch (service) {
    case Service::Find:
      return CFindScu(kStudyRootFindSopClass).SendRequest(association, query, kPriorityMedium);
    case Service::Move:
      return CMoveScu(kStudyRootMoveSopClass)
          .SendRequest(association, "ARCHIVE", query, kPriorityMedium);
    case Service::Store:
      return CStoreScu(kCtStorage).SendRequest(association, kInstance, query, kPriorityMedium);
  }
  return false;
}

// `data` is the identifier, or the response command of a C-STORE.
bool ReceiveResponse(Service service, std::uint16_t& status, DataSet& data, Association& a) {
  switch (service) {
    case Service::Find:
      return CFindScu(kStudyRootFindSopClass).ReceiveResponse(status, data, a);
    case Service::Move:
      return CMoveScu(kStudyRootMoveSopClass).ReceiveResponse(status, data, a);
    case Service::Store:
      return CStoreScu(kCtStorage).ReceiveResponse(status, data, a);
  }
  return false;
}

// Responses to message id 21, each a P-DATA-TF on the context of its service; a negative status
// is left out.
std::string Response(int context, std::string_view sopClass, int field, int status,
                     int dataSetType = 0x0101, std::vector<std::string> more = {}) {
  std::vector<std::string> elements{CommandUi(0x0002, sopClass), CommandUs(0x0100, field),
                                    CommandUs(0x0120, 21), CommandUs(0x0800, dataSetType)};
  if (status >= 0) elements.push_back(CommandUs(0x0900, status));
  elements.insert(elements.end(), more.begin(), more.end());
  return DataPdu({{context, 3, CommandSet(elements)}});
}
std::string FindRsp(int status, int dataSetType = 0x0101) {
  return Response(1, kStudyRootFindSopClass, 0x8020, status, dataSetType);
}
std::string MovePending(std::uint16_t remaining, std::uint16_t completed) {
  return Response(3, kStudyRootMoveSopClass, 0x8021, 0xFF00, 0x0101,
                  {CommandUs(0x1020, remaining), CommandUs(0x1021, completed), CommandUs(0x1022, 0),
                   CommandUs(0x1023, 0)});
}
std::string StoreRsp(int status) {
  return Response(5, kCtStorage, 0x8001, status, 0x0101, {CommandUi(0x1000, kInstance)});
}

// What one ReceiveResponse gives: status and text are checked unless nullopt. The text is the
// patient id of the identifier, or the instance UID of a C-STORE response command.
struct Outcome {
  bool received;
  std::optional<std::uint16_t> status;
  std::optional<std::string> text;
};

TEST(ServiceUserTest, Responses) {
  using enum Service;
  constexpr std::uint16_t kUnchanged = 0x1234;
  const auto send = [](const std::string& hex) { return Peer::Send(hex); };
  const std::string withMatch = FindRsp(0xFF00, 0x0102) + DataPdu({{1, 2, kMatch}});
  const std::string moveSuccess = Response(3, kStudyRootMoveSopClass, 0x8021, 0);
  struct Case {
    Service service;
    const char* name;
    Steps answer;
    std::vector<Outcome> outcomes;
    bool connectedAfter;
  };
  const Case cases[] = {
      // clang-format off
      {Find, "pending with identifier, identifier-less pending warning, success",
       {send(withMatch), send(FindRsp(0xFF01)), send(FindRsp(0))},
       {{true, 0xFF00, "PAT001"}, {true, 0xFF01, "PAT001"}, {true, 0, "PAT001"}}, true},
      {Find, "no Status, then a good response", {send(FindRsp(-1)), send(FindRsp(0))},
       {{false, kUnchanged, "BEFORE"}, {true, 0, "BEFORE"}}, true},
      {Find, "final failure, then silence until the time-out",
       {send(FindRsp(0xA700)), Peer::Expect(kProviderAbort), Peer::ExpectClosed()},
       {{true, 0xA700, "BEFORE"}, {false, 0xA700, "BEFORE"}}, false},
      {Find, "release request between command and identifier",
       {send(FindRsp(0xFF00, 0x0102)), Peer::Send(kReleaseRq), Peer::Expect(kReleaseRp),
        Peer::ExpectClosed()}, {{false, std::nullopt, "BEFORE"}}, false},
      {Move, "pending with counters changes only the status",
       {send(MovePending(2, 0)), send(MovePending(1, 1)), send(moveSuccess)},
       {{true, 0xFF00, "BEFORE"}, {true, 0xFF00, "BEFORE"}, {true, 0, "BEFORE"}}, true},
      {Store, "success", {send(StoreRsp(0))}, {{true, 0, kInstance}}, true},
      {Store, "no Status", {send(StoreRsp(-1))}, {{false, kUnchanged, std::nullopt}}, true},
      // clang-format on
  };
  for (const Case& c : cases) {
    Steps steps{Peer::ExpectPdu(0x04), Peer::ExpectPdu(0x04)};  // the request
    steps.insert(steps.end(), c.answer.begin(), c.answer.end());
    Peer peer(Established(kAllAccepted, steps, c.connectedAfter));
    Association association;
    association.Socket().SetReceiveTimeout(1);
    ASSERT_TRUE(Open(association, peer.PortText())) << c.name;
    ASSERT_TRUE(SendRequest(c.service, association)) << c.name;
    const bool store = c.service == Service::Store;
    std::uint16_t status = kUnchanged;
    DataSet data;
    if (!store) data.InsertText(kPatientId, vr::LO, "BEFORE");
    for (std::size_t i = 0; i < c.outcomes.size(); ++i) {
      const Outcome& expected = c.outcomes[i];
      EXPECT_EQ(ReceiveResponse(c.service, status, data, association), expected.received)
          << c.name << ", response " << i;
      if (expected.status) {
        EXPECT_EQ(status, *expected.status) << c.name << ", response " << i;
      }
      if (expected.text) {
        EXPECT_EQ(store ? data.GetText(kAffectedSopInstanceUidTag, vr::UI)
                        : data.GetText(kPatientId, vr::LO),
                  *expected.text)
            << c.name << ", response " << i;
      }
      if (!store) {
        EXPECT_EQ(data.Size(), 1u) << c.name << ", response " << i;
      }
    }
    EXPECT_EQ(association.IsConnected(), c.connectedAfter) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST(CommandMessageTest, MessageIdsAreOddCounterValuesModulo65535) {
  for (const auto& [counter, first, second] : {std::tuple{20u, 21, 23}, {65534u, 0, 2}}) {
    SetIdCounter(counter);
    EXPECT_EQ(NextMessageId(), first) << counter;
    EXPECT_EQ(NextMessageId(), second) << counter;
    EXPECT_EQ(IdCounter(), counter + 4) << counter;
  }
  SetIdCounter(1);
}

}  // namespace
}  // namespace dicom
