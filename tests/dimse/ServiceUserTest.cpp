#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dimse/CFindScu.h"
#include "dimse/CMoveScu.h"
#include "dimse/CStoreScu.h"
#include "dimse/CommandTags.h"
#include "net/Association.h"
#include "net/IdCounter.h"
#include "support/PduFixtures.h"
#include "support/ScriptedPeer.h"

namespace dicom {
namespace {

using testing_support::CommandSet;
using testing_support::CommandUi;
using testing_support::CommandUs;
using testing_support::DataPdu;
using testing_support::Established;
using testing_support::kProviderAbort;
using testing_support::kReleaseRp;
using testing_support::kReleaseRq;
using testing_support::kUserAbort;
using testing_support::Prepare;
using testing_support::ScriptedPeer;

constexpr std::string_view kCtStorage = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kInstance = "1.2.3.4.56";
// FIND on context 1, MOVE on 3, CT storage on 5.
const std::vector<std::pair<int, int>> kAllAccepted = {{1, 0}, {3, 0}, {5, 0}};

// The message id every request of these tests carries: the counter is set to 40 once the
// association stands, so the next draw gives 41.
constexpr std::uint16_t kMessageId = 41;

// Proposes FIND, MOVE and CT storage (contexts 1, 3 and 5) and connects to the peer.
bool Connect(Association& association, ScriptedPeer& peer) {
  Prepare(association);
  association.AddAbstractSyntax(kStudyRootFindSopClass);
  association.AddAbstractSyntax(kStudyRootMoveSopClass);
  association.AddAbstractSyntax(kCtStorage);
  const bool connected = association.Request("127.0.0.1", peer.PortText().c_str()) == 1;
  SetIdCounter(kMessageId - 1);
  return connected;
}

// Response commands as the archive sends them; `dataSetType` 0x0101 announces no data set.
std::string FindRsp(std::uint16_t status, std::uint16_t dataSetType) {
  return CommandSet({
      CommandUi(0x0002, kStudyRootFindSopClass),  // Affected SOP Class UID
      CommandUs(0x0100, 0x8020),                  // C-FIND-RSP
      CommandUs(0x0120, kMessageId),              // Message ID Being Responded To
      CommandUs(0x0800, dataSetType),             // Data Set Type
      CommandUs(0x0900, status),                  // Status
  });
}
std::string MoveRsp(std::uint16_t status, std::uint16_t dataSetType) {
  return CommandSet({
      CommandUi(0x0002, kStudyRootMoveSopClass),  // Affected SOP Class UID
      CommandUs(0x0100, 0x8021),                  // C-MOVE-RSP
      CommandUs(0x0120, kMessageId),              // Message ID Being Responded To
      CommandUs(0x0800, dataSetType),             // Data Set Type
      CommandUs(0x0900, status),                  // Status
  });
}
// A pending C-MOVE-RSP with its sub-operation counters and no data set.
std::string MovePendingRsp(std::uint16_t remaining, std::uint16_t completed) {
  return CommandSet({
      CommandUi(0x0002, kStudyRootMoveSopClass),  // Affected SOP Class UID
      CommandUs(0x0100, 0x8021),                  // C-MOVE-RSP
      CommandUs(0x0120, kMessageId),              // Message ID Being Responded To
      CommandUs(0x0800, 0x0101),                  // no data set
      CommandUs(0x0900, 0xFF00),                  // pending
      CommandUs(0x1020, remaining),               // remaining sub-operations
      CommandUs(0x1021, completed),               // completed
      CommandUs(0x1022, 0),                       // failed
      CommandUs(0x1023, 0),                       // warning
  });
}
std::string StoreRsp(std::optional<std::uint16_t> status) {
  std::vector<std::string> elements{
      CommandUi(0x0002, kCtStorage),  // Affected SOP Class UID
      CommandUs(0x0100, 0x8001),      // C-STORE-RSP
      CommandUs(0x0120, kMessageId),  // Message ID Being Responded To
      CommandUs(0x0800, 0x0101),      // no data set
  };
  if (status) elements.push_back(CommandUs(0x0900, *status));  // Status
  elements.push_back(CommandUi(0x1000, kInstance));            // Affected SOP Instance UID
  return CommandSet(elements);
}

// Commands on the context of their service, marked command and last fragment; data sets marked
// last fragment only.
std::string FindCommand(const std::string& command) {
  return DataPdu({{1, 3, command}});
}
std::string FindData(const std::string& dataSet) {
  return DataPdu({{1, 2, dataSet}});
}
std::string MoveCommand(const std::string& command) {
  return DataPdu({{3, 3, command}});
}
std::string MoveData(const std::string& dataSet) {
  return DataPdu({{3, 2, dataSet}});
}

// (0010,0020) LO Patient ID "PAT001", an identifier as the archive returns it.
const std::string kMatch = "10 00 20 00 06 00 00 00 50 41 54 30 30 31";

// The identifier of the requests: (0008,0052) CS "STUDY" and (0010,0020) LO "PAT001".
DataSet StudyQuery() {
  DataSet identifier;
  identifier.InsertText(0x00080052, vr::CS, "STUDY");
  identifier.InsertText(0x00100020, vr::LO, "PAT001");
  return identifier;
}

TEST(ServiceUserTest, RequestsLeaveByteExact) {
  struct Case {
    const char* name;
    std::function<bool(Association&)> send;
    const char* bytes;
  };
  const Case cases[] = {
      {"C-FIND",
       [](Association& a) {
         return CFindScu(kStudyRootFindSopClass).SendRequest(a, StudyQuery(), kPriorityMedium);
       },
       R"(
        04 00 00 00 00 5e                       # P-DATA-TF, 94 bytes
        00 00 00 5a 01 03                       # PDV of 90 on context 1: command, last
        00 00 00 00  04 00 00 00  4c 00 00 00   # (0000,0000) UL 76
        00 00 02 00  1c 00 00 00                # (0000,0002) UI, 28 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 31 2e 32 2e 32 2e  #   ".5.1.4.1.2.2."
        31 00                                   #   "1" and the NUL pad
        00 00 00 01  02 00 00 00  20 00         # (0000,0100) US 0x0020 C-FIND-RQ
        00 00 10 01  02 00 00 00  29 00         # (0000,0110) US 41
        00 00 00 07  02 00 00 00  00 00         # (0000,0700) US 0 medium
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
        04 00 00 00 00 22                       # P-DATA-TF, 34 bytes
        00 00 00 1e 01 02                       # PDV of 30 on context 1: data set, last
        08 00 52 00  06 00 00 00                # (0008,0052) 6 bytes:
        53 54 55 44 59 20                       #   "STUDY "
        10 00 20 00  06 00 00 00                # (0010,0020) 6 bytes:
        50 41 54 30 30 31                       #   "PAT001"
       )"},
      {"C-MOVE",
       [](Association& a) {
         return CMoveScu(kStudyRootMoveSopClass)
             .SendRequest(a, "ARCHIVE", StudyQuery(), kPriorityMedium);
       },
       R"(
        04 00 00 00 00 6e                       # P-DATA-TF, 110 bytes
        00 00 00 6a 03 03                       # PDV of 106 on context 3: command, last
        00 00 00 00  04 00 00 00  5c 00 00 00   # (0000,0000) UL 92
        00 00 02 00  1c 00 00 00                # (0000,0002) UI, 28 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 31 2e 32 2e 32 2e  #   ".5.1.4.1.2.2."
        32 00                                   #   "2" and the NUL pad
        00 00 00 01  02 00 00 00  21 00         # (0000,0100) US 0x0021 C-MOVE-RQ
        00 00 10 01  02 00 00 00  29 00         # (0000,0110) US 41
        00 00 00 06  08 00 00 00                # (0000,0600) AE, 8 bytes:
        41 52 43 48 49 56 45 20                 #   "ARCHIVE "
        00 00 00 07  02 00 00 00  00 00         # (0000,0700) US 0 medium
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
        04 00 00 00 00 22                       # P-DATA-TF, 34 bytes
        00 00 00 1e 03 02                       # PDV of 30 on context 3: data set, last
        08 00 52 00  06 00 00 00                # (0008,0052) 6 bytes:
        53 54 55 44 59 20                       #   "STUDY "
        10 00 20 00  06 00 00 00                # (0010,0020) 6 bytes:
        50 41 54 30 30 31                       #   "PAT001"
       )"},
      {"C-STORE",
       [](Association& a) {
         DataSet object;
         object.InsertText(0x00100010, vr::PN, "Doe^John");
         return CStoreScu(kCtStorage).SendRequest(a, kInstance, object, kPriorityMedium);
       },
       R"(
        04 00 00 00 00 6e                       # P-DATA-TF, 110 bytes
        00 00 00 6a 05 03                       # PDV of 106 on context 5: command, last
        00 00 00 00  04 00 00 00  5c 00 00 00   # (0000,0000) UL 92
        00 00 02 00  1a 00 00 00                # (0000,0002) UI, 26 bytes:
        31 2e 32 2e 38 34 30 2e 31 30 30 30 38  #   "1.2.840.10008"
        2e 35 2e 31 2e 34 2e 31 2e 31 2e 32 00  #   ".5.1.4.1.1.2" and the NUL pad
        00 00 00 01  02 00 00 00  01 00         # (0000,0100) US 0x0001 C-STORE-RQ
        00 00 10 01  02 00 00 00  29 00         # (0000,0110) US 41
        00 00 00 07  02 00 00 00  00 00         # (0000,0700) US 0 medium
        00 00 00 08  02 00 00 00  02 01         # (0000,0800) US 0x0102 data set follows
        00 00 00 10  0a 00 00 00                # (0000,1000) UI, 10 bytes:
        31 2e 32 2e 33 2e 34 2e 35 36           #   "1.2.3.4.56"
        04 00 00 00 00 16                       # P-DATA-TF, 22 bytes
        00 00 00 12 05 02                       # PDV of 18 on context 5: data set, last
        10 00 10 00  08 00 00 00                # (0010,0010) 8 bytes:
        44 6f 65 5e 4a 6f 68 6e                 #   "Doe^John"
       )"},
  };
  for (const Case& c : cases) {
    Association association;
    ScriptedPeer peer(
        Established(kAllAccepted, {ScriptedPeer::Expect(c.bytes), ScriptedPeer::Expect(kReleaseRq),
                                   ScriptedPeer::Send(kReleaseRp)}));
    ASSERT_TRUE(Connect(association, peer)) << c.name;
    EXPECT_TRUE(c.send(association)) << c.name;
    EXPECT_EQ(IdCounter(), kMessageId + 1u) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST(ServiceUserTest, SopClassWithoutAcceptedContextSendsNothing) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> results;
    std::function<bool(Association&)> send;
  };
  const Case cases[] = {
      {"C-FIND refused",
       {{1, 3}, {3, 0}, {5, 0}},
       [](Association& a) {
         return CFindScu(kStudyRootFindSopClass).SendRequest(a, StudyQuery(), kPriorityMedium);
       }},
      {"C-MOVE refused",
       {{1, 0}, {3, 3}, {5, 0}},
       [](Association& a) {
         return CMoveScu(kStudyRootMoveSopClass)
             .SendRequest(a, "ARCHIVE", StudyQuery(), kPriorityMedium);
       }},
      {"C-STORE refused",
       {{1, 0}, {3, 0}, {5, 3}},
       [](Association& a) {
         return CStoreScu(kCtStorage).SendRequest(a, kInstance, StudyQuery(), kPriorityMedium);
       }},
      {"C-STORE of a class never proposed", kAllAccepted,
       [](Association& a) {
         return CStoreScu("1.2.840.10008.5.1.4.1.1.4")
             .SendRequest(a, kInstance, StudyQuery(), kPriorityMedium);
       }},
  };
  for (const Case& c : cases) {
    Association association;
    ScriptedPeer peer(
        Established(c.results, {ScriptedPeer::Expect(kReleaseRq), ScriptedPeer::Send(kReleaseRp),
                                ScriptedPeer::ExpectClosed()}));
    ASSERT_TRUE(Connect(association, peer)) << c.name;
    EXPECT_FALSE(c.send(association)) << c.name;
    EXPECT_TRUE(association.IsConnected()) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name << ": only the release may follow the accept";
  }
}

// What one ReceiveResponse returns. A status or patient id of nullopt is not checked; the
// identifier starts as "BEFORE" and the status as 0x1234.
struct Outcome {
  bool received;
  std::optional<std::uint16_t> status;
  std::optional<std::string> patientId;
};

enum class Service { Find, Move };

struct ResponseCase {
  const char* name;
  Service service;
  std::vector<ScriptedPeer::Step> answer;
  std::vector<Outcome> outcomes;
  bool connectedAfter;
  bool shortTimeOut = false;
};

TEST(ServiceUserTest, FindAndMoveResponses) {
  const std::uint16_t kUnchanged = 0x1234;
  const std::string kNoStatus = CommandSet({
      CommandUi(0x0002, kStudyRootFindSopClass),  // Affected SOP Class UID
      CommandUs(0x0100, 0x8020),                  // C-FIND-RSP
      CommandUs(0x0120, kMessageId),              // Message ID Being Responded To
      CommandUs(0x0800, 0x0101),                  // no data set, and no Status
  });
  const std::string kNoDataSetType = CommandSet({
      CommandUi(0x0002, kStudyRootFindSopClass),  // Affected SOP Class UID
      CommandUs(0x0100, 0x8020),                  // C-FIND-RSP
      CommandUs(0x0120, kMessageId),              // Message ID Being Responded To
      CommandUs(0x0900, 0x0000),                  // success, and no Data Set Type
  });
  using Peer = ScriptedPeer;
  const ResponseCase cases[] = {
      {"find: pending with identifier, pending and success without",
       Service::Find,
       {Peer::Send(FindCommand(FindRsp(0xFF00, 0x0102)) + FindData(kMatch)),
        Peer::Send(FindCommand(FindRsp(0xFF01, 0x0101))),
        Peer::Send(FindCommand(FindRsp(0x0000, 0x0101)))},
       {{true, 0xFF00, "PAT001"}, {true, 0xFF01, "PAT001"}, {true, 0x0000, "PAT001"}},
       true},
      {"find: identifier-less pending leaves the identifier",
       Service::Find,
       {Peer::Send(FindCommand(FindRsp(0xFF00, 0x0101)))},
       {{true, 0xFF00, "BEFORE"}},
       true},
      {"find: command and identifier in one PDU",
       Service::Find,
       {Peer::Send(DataPdu({{1, 3, FindRsp(0xFF00, 0x0102)}, {1, 2, kMatch}}))},
       {{true, 0xFF00, "PAT001"}},
       true},
      {"find: response without Status, then a good one",
       Service::Find,
       {Peer::Send(FindCommand(kNoStatus)), Peer::Send(FindCommand(FindRsp(0x0000, 0x0101)))},
       {{false, kUnchanged, "BEFORE"}, {true, 0x0000, "BEFORE"}},
       true},
      {"find: response without Data Set Type",
       Service::Find,
       {Peer::Send(FindCommand(kNoDataSetType))},
       {{false, kUnchanged, "BEFORE"}},
       true},
      {"move: 0x0122 then success",
       Service::Move,
       {Peer::Send(MoveCommand(MoveRsp(0x0122, 0x0101))),
        Peer::Send(MoveCommand(MoveRsp(0x0000, 0x0101)))},
       {{true, 0x0122, "BEFORE"}, {true, 0x0000, "BEFORE"}},
       true},
      {"move: pending with counters change only the status",
       Service::Move,
       {Peer::Send(MoveCommand(MovePendingRsp(2, 0))),
        Peer::Send(MoveCommand(MovePendingRsp(1, 1))),
        Peer::Send(MoveCommand(MoveRsp(0x0000, 0x0101)))},
       {{true, 0xFF00, "BEFORE"}, {true, 0xFF00, "BEFORE"}, {true, 0x0000, "BEFORE"}},
       true},
      {"move: failure with identifier",
       Service::Move,
       {Peer::Send(MoveCommand(MoveRsp(0xA701, 0x0102)) + MoveData(kMatch))},
       {{true, 0xA701, "PAT001"}},
       true},
      {"find: final failure, then silence until the time-out",
       Service::Find,
       {Peer::Send(FindCommand(FindRsp(0xA700, 0x0101))), Peer::Expect(kProviderAbort),
        Peer::ExpectClosed()},
       {{true, 0xA700, "BEFORE"}, {false, 0xA700, "BEFORE"}},
       false,
       true},
      {"move: final failure, then silence until the time-out",
       Service::Move,
       {Peer::Send(MoveCommand(MoveRsp(0xC000, 0x0101))), Peer::Expect(kProviderAbort),
        Peer::ExpectClosed()},
       {{true, 0xC000, "BEFORE"}, {false, 0xC000, "BEFORE"}},
       false,
       true},
      {"find: release request instead of a response",
       Service::Find,
       {Peer::Send(kReleaseRq), Peer::Expect(kReleaseRp), Peer::ExpectClosed()},
       {{false, kUnchanged, "BEFORE"}},
       false},
      {"find: release request between command and identifier",
       Service::Find,
       {Peer::Send(FindCommand(FindRsp(0xFF00, 0x0102))), Peer::Send(kReleaseRq),
        Peer::Expect(kReleaseRp), Peer::ExpectClosed()},
       {{false, std::nullopt, "BEFORE"}},
       false},
      {"find: abort after a pending response",
       Service::Find,
       {Peer::Send(FindCommand(FindRsp(0xFF00, 0x0102)) + FindData(kMatch)), Peer::Send(kUserAbort),
        Peer::ExpectClosed()},
       {{true, 0xFF00, "PAT001"}, {false, 0xFF00, "PAT001"}},
       false},
      {"move: release request after a pending response",
       Service::Move,
       {Peer::Send(MoveCommand(MovePendingRsp(3, 0))), Peer::Send(kReleaseRq),
        Peer::Expect(kReleaseRp), Peer::ExpectClosed()},
       {{true, 0xFF00, "BEFORE"}, {false, 0xFF00, "BEFORE"}},
       false},
      {"move: abort between command and identifier",
       Service::Move,
       {Peer::Send(MoveCommand(MoveRsp(0xFF00, 0x0102))), Peer::Send(kUserAbort),
        Peer::ExpectClosed()},
       {{false, std::nullopt, "BEFORE"}},
       false},
      {"move: connection closed instead of a response",
       Service::Move,
       {Peer::Close()},
       {{false, kUnchanged, "BEFORE"}},
       false},
  };
  for (const ResponseCase& c : cases) {
    std::vector<ScriptedPeer::Step> steps{ScriptedPeer::ExpectPdu(0x04),
                                          ScriptedPeer::ExpectPdu(0x04)};
    steps.insert(steps.end(), c.answer.begin(), c.answer.end());
    if (c.connectedAfter) {
      steps.push_back(ScriptedPeer::Expect(kReleaseRq));
      steps.push_back(ScriptedPeer::Send(kReleaseRp));
    }
    Association association;
    if (c.shortTimeOut) association.Socket().SetReceiveTimeout(1);
    ScriptedPeer peer(Established(kAllAccepted, std::move(steps)));
    ASSERT_TRUE(Connect(association, peer)) << c.name;

    const CFindScu find(kStudyRootFindSopClass);
    const CMoveScu move(kStudyRootMoveSopClass);
    const bool sent = c.service == Service::Find
                          ? find.SendRequest(association, StudyQuery(), kPriorityMedium)
                          : move.SendRequest(association, "ARCHIVE", StudyQuery(), kPriorityMedium);
    ASSERT_TRUE(sent) << c.name;

    std::uint16_t status = kUnchanged;
    DataSet identifier;
    identifier.InsertText(0x00100020, vr::LO, "BEFORE");
    for (std::size_t i = 0; i < c.outcomes.size(); ++i) {
      const Outcome& expected = c.outcomes[i];
      const bool received = c.service == Service::Find
                                ? find.ReceiveResponse(status, identifier, association)
                                : move.ReceiveResponse(status, identifier, association);
      EXPECT_EQ(received, expected.received) << c.name << ", response " << i;
      if (expected.status) {
        EXPECT_EQ(status, *expected.status) << c.name << ", response " << i;
      }
      if (expected.patientId) {
        EXPECT_EQ(identifier.GetText(0x00100020, vr::LO), *expected.patientId)
            << c.name << ", response " << i;
        EXPECT_EQ(identifier.Size(), 1u) << c.name << ", response " << i;
      }
    }
    EXPECT_EQ(association.IsConnected(), c.connectedAfter) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST(ServiceUserTest, MoveResponseCommandCarriesTheCounters) {
  ScriptedPeer peer(Established(
      kAllAccepted, {ScriptedPeer::ExpectPdu(0x04), ScriptedPeer::ExpectPdu(0x04),
                     ScriptedPeer::Send(MoveCommand(MovePendingRsp(4, 6))),
                     ScriptedPeer::Expect(kReleaseRq), ScriptedPeer::Send(kReleaseRp)}));
  Association association;
  ASSERT_TRUE(Connect(association, peer));
  const CMoveScu move(kStudyRootMoveSopClass);
  ASSERT_TRUE(move.SendRequest(association, "ARCHIVE", StudyQuery(), kPriorityMedium));
  std::uint16_t status = 0;
  DataSet identifier;
  DataSet command;
  ASSERT_TRUE(move.ReceiveResponse(status, identifier, command, association));
  EXPECT_EQ(status, kStatusPending);
  EXPECT_TRUE(identifier.Empty());
  EXPECT_EQ(command.GetUS(kCommandFieldTag), 0x8021);
  EXPECT_EQ(command.GetUS(kRemainingSubOperationsTag), 4);
  EXPECT_EQ(command.GetUS(kCompletedSubOperationsTag), 6);
  EXPECT_EQ(command.GetUS(kFailedSubOperationsTag), 0);
  EXPECT_EQ(command.GetUS(kWarningSubOperationsTag), 0);
  association.Release();
  EXPECT_EQ(peer.Finish(), "");
}

TEST(ServiceUserTest, StoreResponses) {
  struct Case {
    const char* name;
    std::vector<ScriptedPeer::Step> answer;
    bool received;
    std::uint16_t status;
    bool connectedAfter;
  };
  const auto storeCommand = [](const std::string& command) { return DataPdu({{5, 3, command}}); };
  const Case cases[] = {
      {"success", {ScriptedPeer::Send(storeCommand(StoreRsp(0x0000)))}, true, 0x0000, true},
      {"warning 0xB000", {ScriptedPeer::Send(storeCommand(StoreRsp(0xB000)))}, true, 0xB000, true},
      {"failure 0xA700", {ScriptedPeer::Send(storeCommand(StoreRsp(0xA700)))}, true, 0xA700, true},
      {"no Status",
       {ScriptedPeer::Send(storeCommand(StoreRsp(std::nullopt)))},
       false,
       0x1234,
       true},
      {"abort instead of a response",
       {ScriptedPeer::Send(kUserAbort), ScriptedPeer::ExpectClosed()},
       false,
       0x1234,
       false},
      {"release request instead of a response",
       {ScriptedPeer::Send(kReleaseRq), ScriptedPeer::Expect(kReleaseRp),
        ScriptedPeer::ExpectClosed()},
       false,
       0x1234,
       false},
  };
  for (const Case& c : cases) {
    std::vector<ScriptedPeer::Step> steps{ScriptedPeer::ExpectPdu(0x04),
                                          ScriptedPeer::ExpectPdu(0x04)};
    steps.insert(steps.end(), c.answer.begin(), c.answer.end());
    if (c.connectedAfter) {
      steps.push_back(ScriptedPeer::Expect(kReleaseRq));
      steps.push_back(ScriptedPeer::Send(kReleaseRp));
    }
    Association association;
    ScriptedPeer peer(Established(kAllAccepted, std::move(steps)));
    ASSERT_TRUE(Connect(association, peer)) << c.name;
    const CStoreScu store(kCtStorage);
    DataSet object;
    object.InsertText(0x00100010, vr::PN, "Doe^John");
    ASSERT_TRUE(store.SendRequest(association, kInstance, object, kPriorityMedium)) << c.name;
    std::uint16_t status = 0x1234;
    DataSet command;
    EXPECT_EQ(store.ReceiveResponse(status, command, association), c.received) << c.name;
    EXPECT_EQ(status, c.status) << c.name;
    if (c.received) {
      EXPECT_EQ(command.GetText(kAffectedSopInstanceUidTag, vr::UI), kInstance) << c.name;
    }
    EXPECT_EQ(association.IsConnected(), c.connectedAfter) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

}  // namespace
}  // namespace dicom
