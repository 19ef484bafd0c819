// Our service users against a peer that dies at every byte of a recorded exchange: each run must
// end with the call that waits returning failure and the association closed, quickly, whatever
// byte the peer died at and however it went (orderly close or reset).

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dimse/CFindScu.h"
#include "dimse/CMoveScu.h"
#include "dimse/CStoreScu.h"
#include "dimse/CommandTags.h"
#include "net/Association.h"
#include "net/IdCounter.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Replay.h"

namespace dicom {
namespace {

using namespace testing_support;

constexpr std::string_view kCtStorage = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kInstance = "1.2.3.4.56";

enum class Service { Find, Move, Store };

// (0008,0052) CS "STUDY" and (0010,0020) LO "PAT001": the query, and the object stored.
const std::string kQuery =
    "08 00 52 00 06 00 00 00" + AsciiHex("STUDY ") + "10 00 20 00 06 00 00 00" + AsciiHex("PAT001");

// The recorded exchange of one service on presentation context 1, message id 21.
struct Exchange {
  Service service;
  std::string_view sopClass;
  std::string request;                 // the command and data set PDUs from us
  std::vector<std::string> responses;  // the PDUs of each response from the peer
  std::vector<std::uint16_t> statuses;
};

std::string RequestCommand(std::string_view sopClass, int field, std::vector<std::string> more) {
  std::vector<std::string> elements{CommandUi(0x0002, sopClass), CommandUs(0x0100, field),
                                    CommandUs(0x0110, 21)};
  elements.insert(elements.end(), more.begin(), more.end());
  return DataPdu({{1, 3, CommandSet(elements)}}) + DataPdu({{1, 2, kQuery}});
}

std::string Response(std::string_view sopClass, int field, int status, std::string identifier = "",
                     std::vector<std::string> more = {}) {
  std::vector<std::string> elements{
      CommandUi(0x0002, sopClass), CommandUs(0x0100, field), CommandUs(0x0120, 21),
      CommandUs(0x0800, identifier.empty() ? 0x0101 : 0x0102), CommandUs(0x0900, status)};
  elements.insert(elements.end(), more.begin(), more.end());
  const std::string command = DataPdu({{1, 3, CommandSet(elements)}});
  return identifier.empty() ? command : command + DataPdu({{1, 2, identifier}});
}

std::vector<Exchange> Exchanges() {
  const std::string match = "10 00 20 00 06 00 00 00" + AsciiHex("PAT00");
  const std::vector<std::string> counters = {CommandUs(0x1020, 1), CommandUs(0x1021, 0),
                                             CommandUs(0x1022, 0), CommandUs(0x1023, 0)};
  return {
      {Service::Find,
       kStudyRootFindSopClass,
       RequestCommand(kStudyRootFindSopClass, 0x0020,
                      {CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102)}),
       {Response(kStudyRootFindSopClass, 0x8020, 0xFF00, match + "31"),
        Response(kStudyRootFindSopClass, 0x8020, 0xFF00, match + "32"),
        Response(kStudyRootFindSopClass, 0x8020, 0)},
       {0xFF00, 0xFF00, 0}},
      {Service::Move,
       kStudyRootMoveSopClass,
       RequestCommand(kStudyRootMoveSopClass, 0x0021,
                      {"00 00 00 06 08 00 00 00" + AsciiHex("ARCHIVE "), CommandUs(0x0700, 0),
                       CommandUs(0x0800, 0x0102)}),
       {Response(kStudyRootMoveSopClass, 0x8021, 0xFF00, "", counters),
        Response(kStudyRootMoveSopClass, 0x8021, 0)},
       {0xFF00, 0}},
      {Service::Store,
       kCtStorage,
       RequestCommand(
           kCtStorage, 0x0001,
           {CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102), CommandUi(0x1000, kInstance)}),
       {Response(kCtStorage, 0x8001, 0, "", {CommandUi(0x1000, kInstance)})},
       {0}},
  };
}

// The peer's side: our request, its accept, our request message, its responses, our release.
std::vector<Turn> PeerTurns(const Exchange& exchange) {
  const std::string associate =
      Pdu(0x01, AssociateBody(Item(0x20, "01 00 00 00" + Item(0x30, AsciiHex(exchange.sopClass)) +
                                             Item(0x40, ImplicitSyntax())) +
                              UserInformation()));
  std::vector<Turn> turns{{false, FromHex(associate)},
                          {true, FromHex(Accept({{1, 0}}))},
                          {false, FromHex(exchange.request)}};
  for (const std::string& response : exchange.responses)
    turns.push_back({true, FromHex(response)});
  turns.push_back({false, FromHex(kReleaseRq)});
  turns.push_back({true, FromHex(kReleaseRp)});
  return turns;
}

bool SendRequest(Service service, Association& association) {
  DataSet query;
  query.InsertText(0x00080052, vr::CS, "STUDY");
  query.InsertText(0x00100020, vr::LO, "PAT001");
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

bool ReceiveResponse(Service service, std::uint16_t& status, Association& association) {
  DataSet data;
  switch (service) {
    case Service::Find:
      return CFindScu(kStudyRootFindSopClass).ReceiveResponse(status, data, association);
    case Service::Move:
      return CMoveScu(kStudyRootMoveSopClass).ReceiveResponse(status, data, association);
    case Service::Store:
      return CStoreScu(kCtStorage).ReceiveResponse(status, data, association);
  }
  return false;
}

// One run against the peer killed at the cut. Every step that needs bytes the peer never sent
// must fail, every other must succeed; after the first failure the association is closed.
void RunKilled(const Exchange& exchange, const std::vector<Turn>& turns, int listener,
               std::uint16_t port, const std::optional<Cut>& cut) {
  SCOPED_TRACE(std::string(exchange.sopClass) + ", " + Describe(cut));
  const auto start = std::chrono::steady_clock::now();
  std::string replayed;
  std::thread peer([&] {
    const int connection = AcceptOne(listener);
    replayed = connection < 0 ? "no connection" : Replay(connection, turns, cut);
  });
  // The peer's bytes each step waits for end where its send turns end.
  std::vector<std::size_t> needed;
  std::size_t total = 0;
  for (const Turn& turn : turns)
    if (turn.sends) needed.push_back(total += turn.bytes.size());
  const std::size_t arrived = SentBeforeCut(turns, cut);
  // A reset may discard bytes still on their way, so that a step fails before the cut; but no
  // step may succeed without all its bytes.
  const bool exact = !cut || cut->ending == Cut::Ending::Close;
  const auto expect = [&](bool ok, std::size_t need) {
    if (ok || exact) {
      EXPECT_EQ(ok, arrived >= need) << "needed " << need;
    }
  };

  Association association;
  association.Socket().SetReceiveTimeout(1);
  Prepare(association);
  association.AddAbstractSyntax(exchange.sopClass);
  bool ok = association.Request("127.0.0.1", std::to_string(port).c_str()) == 1;
  expect(ok, needed[0]);
  if (ok) {
    SetIdCounter(20);
    ok = SendRequest(exchange.service, association);
    EXPECT_TRUE(ok);
  }
  for (std::size_t i = 0; ok && i < exchange.statuses.size(); ++i) {
    std::uint16_t status = 0x1234;
    ok = ReceiveResponse(exchange.service, status, association);
    SCOPED_TRACE("response " + std::to_string(i));
    expect(ok, needed[i + 1]);
    if (ok) {
      EXPECT_EQ(status, exchange.statuses[i]);
    }
  }
  if (ok) association.Release();
  EXPECT_FALSE(association.IsConnected());
  peer.join();
  EXPECT_EQ(replayed, "");
  // Each failure must show at once, not after the receive time-out.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(PeerKilledAtEveryByteTest, ServiceUsersFailCleanly) {
  std::uint16_t port = 0;
  const int listener = ListenOnLoopback(port);
  ASSERT_GE(listener, 0);
  std::size_t runs = 0;
  for (const Exchange& exchange : Exchanges()) {
    const std::vector<Turn> turns = PeerTurns(exchange);
    RunKilled(exchange, turns, listener, port, std::nullopt);
    for (bool whileSending : {true, false}) {
      // Killed after receiving everything, the peer still owes the release response.
      const std::size_t last = CountBytes(turns, whileSending) - (whileSending ? 1 : 0);
      for (Cut::Ending ending : {Cut::Ending::Close, Cut::Ending::Reset}) {
        for (std::size_t offset = 0; offset <= last && !HasFailure(); ++offset, ++runs)
          RunKilled(exchange, turns, listener, port, Cut{whileSending, offset, ending});
      }
    }
  }
  close(listener);
  RecordProperty("runs", static_cast<int>(runs));
}

}  // namespace
}  // namespace dicom
