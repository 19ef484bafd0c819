#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "data/DicomFile.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "support/ScriptedPeer.h"

// The image export as a plain C host uses it, against scripted archives: every case runs in a
// fresh process, so the ids start at 1.
namespace {

using testing_support::AsciiHex;
using testing_support::CommandSet;
using testing_support::CommandUi;
using testing_support::CommandUs;
using testing_support::DataPdu;
using testing_support::Hex;
using testing_support::Item;
using testing_support::LeHex;
using testing_support::Pdu;
using Peer = testing_support::ScriptedPeer;

constexpr std::string_view kCtImage = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kFind = "1.2.840.10008.5.1.4.1.2.2.1";
constexpr int kCtContext = 7;
constexpr int kFindContext = 3;

// An implicit VR little-endian element; text values are padded to even length with `pad`.
std::string Element(int group, int element, std::string_view text, const char* pad = " 00") {
  return LeHex(group, 2) + LeHex(element, 2) + LeHex(text.size() + text.size() % 2, 4) +
         AsciiHex(text) + (text.size() % 2 ? pad : "") + " ";
}

// The test file's data set as it must travel.
const std::string kObject = Element(0x0008, 0x0016, kCtImage) + Element(0x0008, 0x0018, "1.2.3.4") +
                            Element(0x0010, 0x0010, "Doe^John") +
                            Element(0x0020, 0x000d, "1.2.3") +      // study, padded with a NUL
                            Element(0x0020, 0x000e, "1.2.3.4.5") +  // series, padded with a NUL
                            Element(0x0020, 0x0013, "7 ");

void WriteObject(const std::string& path) {
  using namespace dicom;
  DataSet object;
  object.InsertText(0x00080016, vr::UI, kCtImage);
  object.InsertText(0x00080018, vr::UI, "1.2.3.4");
  object.InsertText(0x00100010, vr::PN, "Doe^John");
  object.InsertText(0x0020000D, vr::UI, "1.2.3");
  object.InsertText(0x0020000E, vr::UI, "1.2.3.4.5");
  object.InsertText(0x00200013, vr::IS, "7");
  DicomFile file(kCtImage, "1.2.3.4", ExplicitLittleEndian);
  file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(file.Write(object));
}

// The ten presentation contexts, ids 1 to 19, each with implicit VR little-endian only.
std::string ProposedContexts() {
  const char* syntaxes[] = {
      "1.2.840.10008.1.1",           "1.2.840.10008.5.1.4.1.2.2.1", "1.2.840.10008.5.1.4.1.1.1",
      "1.2.840.10008.5.1.4.1.1.2",   "1.2.840.10008.5.1.4.1.1.4",   "1.2.840.10008.5.1.4.1.1.20",
      "1.2.840.10008.5.1.4.1.1.6.1", "1.2.840.10008.5.1.4.1.1.7",   "1.2.840.10008.5.1.4.1.1.12.1",
      "1.2.840.10008.5.1.4.1.1.12.2"};
  std::string items;
  int id = 1;
  for (const char* uid : syntaxes) {
    items += Item(0x20, Hex(id, 1) + "00 00 00 " + Item(0x30, AsciiHex(uid)) +
                            Item(0x40, testing_support::ImplicitSyntax()));
    id += 2;
  }
  return items;
}

std::vector<std::pair<int, int>> AllAccepted(int refused = 0) {
  std::vector<std::pair<int, int>> results;
  for (int id = 1; id <= 19; id += 2)
    results.emplace_back(id, id == refused ? 3 : 0);
  return results;
}

std::string StoreRequest(int messageId) {
  return DataPdu({{kCtContext, 0x03,
                   CommandSet({CommandUi(0x0002, kCtImage), CommandUs(0x0100, 0x0001),
                               CommandUs(0x0110, messageId), CommandUs(0x0700, 0),
                               CommandUs(0x0800, 0x0102), CommandUi(0x1000, "1.2.3.4")})}}) +
         DataPdu({{kCtContext, 0x02, kObject}});
}

std::string StoreResponse(int messageId, std::uint16_t status) {
  return DataPdu({{kCtContext, 0x03,
                   CommandSet({CommandUi(0x0002, kCtImage), CommandUs(0x0100, 0x8001),
                               CommandUs(0x0120, messageId), CommandUs(0x0800, 0x0101),
                               CommandUs(0x0900, status), CommandUi(0x1000, "1.2.3.4")})}});
}

// The duplicate check's query: the file's study and series with NUL padding, two return keys.
std::string FindRequest() {
  return DataPdu({{kFindContext, 0x03,
                   CommandSet({CommandUi(0x0002, kFind), CommandUs(0x0100, 0x0020),
                               CommandUs(0x0110, 21), CommandUs(0x0700, 0),
                               CommandUs(0x0800, 0x0102)})}}) +
         DataPdu({{kFindContext, 0x02,
                   Element(0x0008, 0x0018, "") + Element(0x0008, 0x0052, "IMAGE", " 20") +
                       Element(0x0020, 0x000d, "1.2.3") + Element(0x0020, 0x000e, "1.2.3.4.5") +
                       Element(0x0020, 0x0013, "")}});
}

// A C-FIND response; an identifier follows when one is given. One without a status is a response
// the export cannot read, on an association that stays usable.
std::string FindResponse(std::optional<std::uint16_t> status, const std::string& identifier = {}) {
  std::vector<std::string> command = {CommandUi(0x0002, kFind), CommandUs(0x0100, 0x8020),
                                      CommandUs(0x0120, 21),
                                      CommandUs(0x0800, identifier.empty() ? 0x0101 : 0x0102)};
  if (status) command.push_back(CommandUs(0x0900, *status));
  std::string pdus = DataPdu({{kFindContext, 0x03, CommandSet(command)}});
  if (!identifier.empty()) pdus += DataPdu({{kFindContext, 0x02, identifier}});
  return pdus;
}

struct ExportCase {
  const char* name;
  bool fileExists = true;
  int checkDuplicate = 0;
  std::vector<Peer::Step> steps;
  int result;
};

// The request must carry the ten contexts and the two titles; the archive accepts every context
// but `refused`.
std::vector<Peer::Step> Accepted(std::vector<Peer::Step> then, int refused = 0) {
  std::vector<Peer::Step> steps = {
      Peer::Expect(Pdu(0x01, testing_support::AssociateBody(ProposedContexts() +
                                                            testing_support::UserInformation()))),
      Peer::Send(testing_support::Accept(AllAccepted(refused)))};
  steps.insert(steps.end(), then.begin(), then.end());
  return steps;
}

const Peer::Step kReleased[] = {Peer::Expect(testing_support::kReleaseRq),
                                Peer::Send(testing_support::kReleaseRp)};

std::vector<Peer::Step> ThenReleased(std::vector<Peer::Step> steps) {
  steps.insert(steps.end(), std::begin(kReleased), std::end(kReleased));
  return steps;
}

// The duplicate check gets these responses, then the image is sent and stored.
std::vector<Peer::Step> CheckedThenStored(std::vector<std::string> responses) {
  std::vector<Peer::Step> steps = {Peer::Expect(FindRequest())};
  for (const std::string& response : responses)
    steps.push_back(Peer::Send(response));
  steps.insert(steps.end(), {Peer::Expect(StoreRequest(23)), Peer::Send(StoreResponse(23, 0))});
  return Accepted(ThenReleased(std::move(steps)));
}

std::vector<ExportCase> Cases() {
  const std::string sameNumber = Element(0x0020, 0x0013, "7 ");
  return {
      {.name = "stored without a query",
       .steps = Accepted(
           ThenReleased({Peer::Expect(StoreRequest(21)), Peer::Send(StoreResponse(21, 0x0000))})),
       .result = 0},
      {.name = "a pending answer with the same Instance Number is a duplicate",
       .checkDuplicate = 1,
       .steps = Accepted(
           ThenReleased({Peer::Expect(FindRequest()), Peer::Send(FindResponse(0xFF00, sameNumber)),
                         Peer::Send(FindResponse(0x0000))})),
       .result = -5},
      {.name = "another number is no duplicate",
       .checkDuplicate = 1,
       .steps = CheckedThenStored(
           {FindResponse(0xFF00, Element(0x0020, 0x0013, "8 ")), FindResponse(0x0000)}),
       .result = 0},
      // A response the check cannot read is no answer (-2), which the store does not clear; it
      // also takes the place of a duplicate found before it.
      {.name = "an unreadable response, then the store",
       .checkDuplicate = 1,
       .steps = CheckedThenStored({FindResponse(std::nullopt)}),
       .result = -2},
      {.name = "a duplicate, then an unreadable response",
       .checkDuplicate = 1,
       .steps = CheckedThenStored({FindResponse(0xFF00, sameNumber), FindResponse(std::nullopt)}),
       .result = -2},
      // A failing store's own code takes the place of the check's -2.
      {.name = "an unreadable response, then the archive aborts the store",
       .checkDuplicate = 1,
       .steps = Accepted({Peer::Expect(FindRequest()), Peer::Send(FindResponse(std::nullopt)),
                          Peer::Expect(StoreRequest(23)), Peer::Send(testing_support::kUserAbort)}),
       .result = -4},
      {.name = "an unreadable response, then no context for the SOP class",
       .checkDuplicate = 1,
       .steps = Accepted(
           ThenReleased({Peer::Expect(FindRequest()), Peer::Send(FindResponse(std::nullopt))}),
           kCtContext),
       .result = -3},
      {.name = "no context for the query: not sent, released",
       .checkDuplicate = 1,
       .steps = Accepted(ThenReleased({}), kFindContext),
       .result = -1},
      {.name = "rejected before the file is opened",
       .fileExists = false,
       .steps = {Peer::ExpectPdu(0x01), Peer::Send("03 00 00 00 00 04 00 01 01 01")},
       .result = -2},
      {.name = "an unreadable file after the association",
       .fileExists = false,
       .steps = Accepted(ThenReleased({})),
       .result = -1},
      {.name = "no context for the SOP class: not sent, nothing awaited",
       .steps = Accepted(ThenReleased({}), kCtContext),
       .result = -3},
      {.name = "the archive aborts after the request",
       .steps = Accepted({Peer::Expect(StoreRequest(21)), Peer::Send(testing_support::kUserAbort)}),
       .result = -4},
  };
}

TEST(ExportTest, ScriptedArchives) {
  testing_support::TempDir dir;
  WriteObject(dir.File("ct.dcm"));
  for (ExportCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    Peer peer(std::move(c.steps));
    const auto run = testing_support::RunProgram(
        {SEND_IMAGE, PLUGIN, dir.File(c.fileExists ? "ct.dcm" : "missing.dcm"), "127.0.0.1",
         peer.PortText(), "DICOMNET", "ARCHIVE", std::to_string(c.checkDuplicate)});
    EXPECT_EQ(run.out, std::to_string(c.result) + "\n") << run.err;
    EXPECT_EQ(peer.Finish(), "");
  }
}

TEST(ExportTest, UnresolvableHostAndExportedNames) {
  const auto run =
      testing_support::RunProgram({SEND_IMAGE, PLUGIN, "/nonexistent", "no-such-host.invalid",
                                   "104", "DICOMNET", "ARCHIVE", "0"});
  EXPECT_EQ(run.out, "-2\n") << run.err;

  // The plug-in shows the host its three functions and nothing else.
  const auto symbols = testing_support::RunProgram({"nm", "-D", "--defined-only", PLUGIN});
  std::vector<std::string> names;
  for (const std::string& line : testing_support::Lines(symbols.out)) {
    if (line.find(" T ") != std::string::npos) names.push_back(line.substr(line.rfind(' ') + 1));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"DicomRequest", "IsDialogRequestOpen",
                                             "SendDicomImageToServer"}));
}

}  // namespace
