#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data/StoredObjectFile.h"
#include "dimse/CGetScu.h"
#include "dimse/CommandTags.h"
#include "net/IdCounter.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"

// C-GET against a scripted archive: the request with its role selections byte for byte, then the
// archive's C-STORE sub-operations between its responses, and the C-STORE-RSP each one gets.
namespace dicom {
namespace {

using namespace testing_support;
using Peer = ScriptedPeer;

constexpr std::string_view kCt = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kMr = "1.2.840.10008.5.1.4.1.1.4";
const std::string kExplicit = AsciiHex("1.2.840.10008.1.2.1");

// Item 0x54: SCU role 0, SCP role 1.
std::string ScpRole(std::string_view uid) {
  return Item(0x54, Hex(uid.size(), 2) + AsciiHex(uid) + "00 01");
}

// GET on context 1 (implicit VR); CT on 3 and MR on 5, explicit then implicit VR, SCP role asked.
std::string Request() {
  const std::vector<std::string> both = {kExplicit, ImplicitSyntax()};
  return Pdu(
      0x01,
      AssociateBody(
          Proposal(1, kStudyRootGetSopClass) + Proposal(3, kCt, both) + Proposal(5, kMr, both) +
          Item(0x50, Item(0x51, "00 00 40 00") + Item(0x52, AsciiHex("1.2.40.0.12.0.9905")) +
                         ScpRole(kCt) + ScpRole(kMr) + Item(0x55, AsciiHex("KORAL9905pc")))));
}

// GET accepted; CT accepted in explicit VR with the SCP role granted; MR refused (result 3).
std::string Answer() {
  return Pdu(0x02, AssociateBody(Item(0x21, "01 00 00 00" + Item(0x40, ImplicitSyntax())) +
                                 Item(0x21, "03 00 00 00" + Item(0x40, kExplicit)) +
                                 Item(0x21, "05 00 03 00" + Item(0x40, kExplicit)) +
                                 Item(0x50, Item(0x51, "00 00 40 00") +
                                                Item(0x52, AsciiHex("1.2.3")) + ScpRole(kCt))));
}

// One command in one P-DATA-TF: the SOP class, the command field, and the rest.
std::string Command(int context, std::string_view sopClass, int field,
                    const std::vector<std::string>& rest) {
  std::vector<std::string> elements{CommandUi(0x0002, sopClass), CommandUs(0x0100, field)};
  elements.insert(elements.end(), rest.begin(), rest.end());
  return DataPdu({{context, 3, CommandSet(elements)}});
}

// A CT sub-operation with message id 7 and its data set, (0010,0020) "PAT001" in the syntax of
// the context; its answer; a C-GET response.
std::string SubOperation(int context, std::string_view instance) {
  return Command(context, kCt, 0x0001,
                 {CommandUs(0x0110, 7), CommandUs(0x0700, 0), CommandUs(0x0800, 0),
                  CommandUi(0x1000, instance)}) +
         DataPdu({{context, 2,
                   (context == 3 ? "10 00 20 00 4c 4f 06 00" : "10 00 20 00 06 00 00 00") +
                       AsciiHex("PAT001")}});
}
std::string Answered(int context, std::string_view instance, int status) {
  return Command(context, kCt, 0x8001,
                 {CommandUs(0x0120, 7), CommandUs(0x0800, 0x0101), CommandUs(0x0900, status),
                  CommandUi(0x1000, instance)});
}
std::string GetResponse(int status) {
  return Command(1, kStudyRootGetSopClass, 0x8010,
                 {CommandUs(0x0120, 21), CommandUs(0x0800, 0x0101), CommandUs(0x0900, status)});
}

TEST(CGetScuTest, SubOperationsAreStoredAndAnswered) {
  using P = Peer;
  struct Case {
    const char* name;
    bool writable;
    std::vector<P::Step> steps;  // after the request
    std::vector<std::uint16_t> responses, answers;
    const char* abortReason;  // nullptr: the association stays
  };
  // clang-format off
  const Case cases[] = {
      {"two sub-operations, then success", true,
       {P::Send(SubOperation(3, "1.2.3.1")), P::Expect(Answered(3, "1.2.3.1", 0)),
        P::Send(GetResponse(0xFF00)),
        P::Send(SubOperation(3, "1.2.3.2")), P::Expect(Answered(3, "1.2.3.2", 0)),
        P::Send(GetResponse(0))},
       {0xFF00, 0}, {0, 0}, nullptr},
      {"on the context of another SOP class: refused, the association stays", true,
       {P::Send(SubOperation(1, "1.2.3.1")), P::Expect(Answered(1, "1.2.3.1", 0x0122)),
        P::Send(GetResponse(0xB000))},
       {0xB000}, {0x0122}, nullptr},
      {"on a context that was not accepted: it cannot be answered, so it is aborted", true,
       {P::Send(SubOperation(5, "1.2.3.1")), P::Expect(kUserAbort), P::ExpectClosed()},
       {}, {}, "a message on presentation context 5, which is not accepted"},
      {"storage fails: out of resources, the association stays", false,
       {P::Send(SubOperation(3, "1.2.3.1")), P::Expect(Answered(3, "1.2.3.1", 0xA700)),
        P::Send(GetResponse(0xA702))},
       {0xA702}, {0xA700}, nullptr},
  };
  // clang-format on
  for (const Case& c : cases) {
    const bool stays = c.abortReason == nullptr;
    std::vector<Peer::Step> steps{
        Peer::Expect(Request()), Peer::Send(Answer()),
        Peer::Expect(
            Command(1, kStudyRootGetSopClass, 0x0010,
                    {CommandUs(0x0110, 21), CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102)}) +
            DataPdu({{1, 2, "08 00 52 00 06 00 00 00" + AsciiHex("STUDY ")}}))};
    steps.insert(steps.end(), c.steps.begin(), c.steps.end());
    if (stays) steps.insert(steps.end(), {Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp)});
    Peer peer(steps);
    TempDir dir;
    const StoredObjectFile files(dir.File(c.writable ? "" : "missing"));
    CGetScu get(kStudyRootGetSopClass,
                [&](const StoreRequest& request, const DataSet& object, std::string& outcome) {
                  return files.Write(object, request.sopInstanceUid, request.sopClassUid,
                                     request.sopInstanceUid, request.syntax, outcome)
                             ? kStatusSuccess
                             : kStatusOutOfResources;
                });
    std::vector<std::uint16_t> answers;
    get.OnAnswered([&](const StoreRequest&, std::uint16_t status, const std::string&) {
      answers.push_back(status);
    });

    Association association;
    Prepare(association);
    association.AddAbstractSyntax(kStudyRootGetSopClass);
    for (std::string_view uid : {kCt, kMr}) {
      const std::string_view syntaxes[] = {"1.2.840.10008.1.2.1", "1.2.840.10008.1.2"};
      association.AddAbstractSyntax(uid, syntaxes);
      association.AddRoleSelection(uid, 0, 1);
    }
    ASSERT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 1) << c.name;
    ASSERT_NE(association.PeerRoleSelection(kCt), nullptr) << c.name;
    EXPECT_EQ(association.PeerRoleSelection(kCt)->scpRole, 1) << c.name;
    SetIdCounter(20);
    DataSet identifier;
    identifier.InsertText(0x00080052, vr::CS, "STUDY");
    ASSERT_TRUE(get.SendRequest(association, identifier, kPriorityMedium)) << c.name;
    std::vector<std::uint16_t> responses;
    for (std::uint16_t status = kStatusPending; status == kStatusPending;) {
      DataSet response, command;
      if (!get.ReceiveResponse(status, response, command, association)) break;
      responses.push_back(status);
    }
    EXPECT_EQ(responses, c.responses) << c.name;
    EXPECT_EQ(answers, c.answers) << c.name;
    EXPECT_EQ(get.FailedSubOperations(), std::ranges::count_if(answers, [](auto s) { return s; }));
    EXPECT_EQ(get.AbortReason(), stays ? "" : c.abortReason) << c.name;
    EXPECT_EQ(association.IsConnected(), stays) << c.name;
    // One file per stored object, and nothing else left behind.
    const auto kept = std::distance(std::filesystem::directory_iterator(dir.File("")), {});
    EXPECT_EQ(kept, std::ranges::count(answers, 0)) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

}  // namespace
}  // namespace dicom
