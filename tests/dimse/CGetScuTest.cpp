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
using Steps = std::vector<ScriptedPeer::Step>;

constexpr std::string_view kCt = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kMr = "1.2.840.10008.5.1.4.1.1.4";
const std::string kExplicit = AsciiHex("1.2.840.10008.1.2.1");

// GET on context 1 (implicit VR), CT on 3 and MR on 5 (explicit, then implicit VR), this side
// asking for the SCP role of both: item 0x54 with SCU role 0 and SCP role 1.
std::string Request() {
  const auto storage = [](int id, std::string_view uid) {
    return Item(0x20, Hex(id, 1) + "00 00 00" + Item(0x30, AsciiHex(uid)) + Item(0x40, kExplicit) +
                          Item(0x40, ImplicitSyntax()));
  };
  const auto role = [](std::string_view uid) {
    return Item(0x54, Hex(uid.size(), 2) + AsciiHex(uid) + "00 01");
  };
  return Pdu(0x01,
             AssociateBody(Item(0x20, "01 00 00 00" + Item(0x30, AsciiHex(kStudyRootGetSopClass)) +
                                          Item(0x40, ImplicitSyntax())) +
                           storage(3, kCt) + storage(5, kMr) +
                           Item(0x50, Item(0x51, "00 00 40 00") +
                                          Item(0x52, AsciiHex("1.2.40.0.12.0.9905")) + role(kCt) +
                                          role(kMr) + Item(0x55, AsciiHex("KORAL9905pc")))));
}

// GET accepted, CT accepted in explicit VR with the SCP role granted, MR refused (abstract syntax
// not supported).
std::string Answer() {
  return Pdu(0x02, AssociateBody(
                       Item(0x21, "01 00 00 00" + Item(0x40, ImplicitSyntax())) +
                       Item(0x21, "03 00 00 00" + Item(0x40, kExplicit)) +
                       Item(0x21, "05 00 03 00" + Item(0x40, kExplicit)) +
                       Item(0x50, Item(0x51, "00 00 40 00") + Item(0x52, AsciiHex("1.2.3")) +
                                      Item(0x54, Hex(kCt.size(), 2) + AsciiHex(kCt) + "00 01"))));
}

// The C-GET-RQ, message id 21, with (0008,0052) CS "STUDY" as its identifier.
std::string GetRequest() {
  return DataPdu({{1, 3,
                   CommandSet({CommandUi(0x0002, kStudyRootGetSopClass), CommandUs(0x0100, 0x0010),
                               CommandUs(0x0110, 21), CommandUs(0x0700, 0),
                               CommandUs(0x0800, 0x0102)})}}) +
         DataPdu({{1, 2, "08 00 52 00 06 00 00 00" + AsciiHex("STUDY ")}});
}

// A sub-operation for a CT object on a context: the C-STORE-RQ and its data set, (0010,0020)
// "PAT001" in the context's syntax.
std::string SubOperation(int context, int messageId, std::string_view instance) {
  const std::string object = context == 3 ? "10 00 20 00 4c 4f 06 00" + AsciiHex("PAT001")
                                          : "10 00 20 00 06 00 00 00" + AsciiHex("PAT001");
  return DataPdu({{context, 3,
                   CommandSet({CommandUi(0x0002, kCt), CommandUs(0x0100, 0x0001),
                               CommandUs(0x0110, messageId), CommandUs(0x0700, 0),
                               CommandUs(0x0800, 0x0000), CommandUi(0x1000, instance)})}}) +
         DataPdu({{context, 2, object}});
}

std::string SubOperationAnswer(int context, int messageId, std::string_view instance, int status) {
  return DataPdu({{context, 3,
                   CommandSet({CommandUi(0x0002, kCt), CommandUs(0x0100, 0x8001),
                               CommandUs(0x0120, messageId), CommandUs(0x0800, 0x0101),
                               CommandUs(0x0900, status), CommandUi(0x1000, instance)})}});
}

std::string GetResponse(int status, int completed, int failed) {
  return DataPdu(
      {{1, 3,
        CommandSet({CommandUi(0x0002, kStudyRootGetSopClass), CommandUs(0x0100, 0x8010),
                    CommandUs(0x0120, 21), CommandUs(0x0800, 0x0101), CommandUs(0x0900, status),
                    CommandUs(0x1021, completed), CommandUs(0x1022, failed)})}});
}

TEST(CGetScuTest, SubOperationsAreStoredAndAnswered) {
  struct Case {
    const char* name;
    bool writable;
    Steps steps;  // after the request
    std::vector<std::uint16_t> responses;
    std::vector<std::uint16_t> answers;  // of the sub-operations
    std::vector<const char*> files;
    const char* abortReason;  // nullptr: the association stays
  };
  const Case cases[] = {
      {"two sub-operations, then success",
       true,
       {Peer::Send(SubOperation(3, 7, "1.2.3.1")),
        Peer::Expect(SubOperationAnswer(3, 7, "1.2.3.1", 0)), Peer::Send(GetResponse(0xFF00, 1, 0)),
        Peer::Send(SubOperation(3, 9, "1.2.3.2")),
        Peer::Expect(SubOperationAnswer(3, 9, "1.2.3.2", 0)), Peer::Send(GetResponse(0, 2, 0))},
       {0xFF00, 0},
       {0, 0},
       {"1.2.3.1.dcm", "1.2.3.2.dcm"},
       nullptr},
      {"on the context of another SOP class: refused, the association stays",
       true,
       {Peer::Send(SubOperation(1, 7, "1.2.3.1")),
        Peer::Expect(SubOperationAnswer(1, 7, "1.2.3.1", 0x0122)),
        Peer::Send(GetResponse(0xB000, 0, 1))},
       {0xB000},
       {0x0122},
       {},
       nullptr},
      {"on a context that was not accepted: nothing can answer it, so it is aborted",
       true,
       {Peer::Send(SubOperation(5, 7, "1.2.3.1")), Peer::Expect(kUserAbort), Peer::ExpectClosed()},
       {},
       {},
       {},
       "a message on presentation context 5, which is not accepted"},
      {"storage fails: out of resources, the association stays",
       false,
       {Peer::Send(SubOperation(3, 7, "1.2.3.1")),
        Peer::Expect(SubOperationAnswer(3, 7, "1.2.3.1", 0xA700)),
        Peer::Send(GetResponse(0xA702, 0, 1))},
       {0xA702},
       {0xA700},
       {},
       nullptr},
  };
  for (const Case& c : cases) {
    const bool stays = c.abortReason == nullptr;
    Steps steps{Peer::Expect(Request()), Peer::Send(Answer()), Peer::Expect(GetRequest())};
    steps.insert(steps.end(), c.steps.begin(), c.steps.end());
    if (stays) steps.insert(steps.end(), {Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp)});
    Peer peer(steps);
    TempDir dir;
    const StoredObjectFile files(dir.File(c.writable ? "" : "missing"));
    std::vector<std::uint16_t> answers;
    CGetScu get(kStudyRootGetSopClass,
                [&](const StoreRequest& request, const DataSet& object, std::string& outcome) {
                  EXPECT_EQ(request.syntax, ExplicitLittleEndian) << c.name;
                  return files.Write(object, request.sopInstanceUid + ".dcm", request.sopClassUid,
                                     request.sopInstanceUid, request.syntax, outcome)
                             ? kStatusSuccess
                             : kStatusOutOfResources;
                });
    get.OnAnswered([&](const StoreRequest&, std::uint16_t status, const std::string&) {
      answers.push_back(status);
    });

    Association association;
    association.Socket().SetReceiveTimeout(2);
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
    std::uint16_t status = kStatusPending;
    while (status == kStatusPending) {
      DataSet response, command;
      if (!get.ReceiveResponse(status, response, command, association)) break;
      responses.push_back(status);
    }
    EXPECT_EQ(responses, c.responses) << c.name;
    EXPECT_EQ(answers, c.answers) << c.name;
    EXPECT_EQ(get.FailedSubOperations(),
              std::count_if(answers.begin(), answers.end(), [](std::uint16_t s) { return s != 0; }))
        << c.name;
    EXPECT_EQ(get.AbortReason(), stays ? "" : c.abortReason) << c.name;
    EXPECT_EQ(association.IsConnected(), stays) << c.name;
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("")))
      kept.push_back(entry.path().filename().string());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, std::vector<std::string>(c.files.begin(), c.files.end())) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

}  // namespace
}  // namespace dicom
