#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "platform/Ansi.h"
#include "plugin/PluginFixture.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/ScriptedPeer.h"
#include "support/SmallImage.h"

// The browser's side of a scripted archive. The plug-in's association proposes Verification
// (context 1), FIND (3) and MOVE (5), and its first message is number 7.
namespace browser_test {

using Peer = testing_support::ScriptedPeer;
using Steps = std::vector<Peer::Step>;
using testing_support::AsciiHex;
using testing_support::CommandSet;
using testing_support::CommandUi;
using testing_support::CommandUs;
using testing_support::DataPdu;
using testing_support::LeHex;

inline constexpr int kFindContext = 3;
inline constexpr int kMoveContext = 5;

// The browser's controls.
inline constexpr int kPatients = 6009;
inline constexpr int kStudies = 6037;
inline constexpr int kSeries = 6010;
inline constexpr int kImages = 6011;
inline constexpr int kUpdate = 6005;
inline constexpr int kRetrieve = 6006;

inline const Steps kRelease = {Peer::Expect(testing_support::kReleaseRq),
                               Peer::Send(testing_support::kReleaseRp)};

// An implicit VR little-endian element; a text of odd length gets the pad byte.
inline std::string Element(int group, int element, std::string_view text, const char* pad = " 20") {
  return LeHex(group, 2) + LeHex(element, 2) + LeHex(text.size() + text.size() % 2, 4) +
         AsciiHex(text) + (text.size() % 2 ? pad : "") + " ";
}

inline std::string FindResponse(std::uint16_t status, const std::string& identifier = {}) {
  std::string pdus = DataPdu(
      {{kFindContext, 0x03,
        CommandSet({CommandUi(0x0002, "1.2.840.10008.5.1.4.1.2.2.1"), CommandUs(0x0100, 0x8020),
                    CommandUs(0x0120, 7), CommandUs(0x0800, identifier.empty() ? 0x0101 : 0x0102),
                    CommandUs(0x0900, status)})}});
  if (!identifier.empty()) pdus += DataPdu({{kFindContext, 0x02, identifier}});
  return pdus;
}

inline std::string MoveResponse(std::uint16_t status) {
  return DataPdu(
      {{kMoveContext, 0x03,
        CommandSet({CommandUi(0x0002, "1.2.840.10008.5.1.4.1.2.2.2"), CommandUs(0x0100, 0x8021),
                    CommandUs(0x0120, 7), CommandUs(0x0800, 0x0101), CommandUs(0x0900, status)})}});
}

// A query arrives as two P-DATA-TF PDUs, its command and its identifier, which must hold these
// keys; the archive answers with a pending response for each identifier, then `answer` or success.
inline Steps Query(const std::string& keys, const std::vector<std::string>& identifiers,
                   Steps answer = {}) {
  Steps steps = {Peer::ExpectPdu(0x04), Peer::Expect(DataPdu({{kFindContext, 0x02, keys}}))};
  for (const std::string& identifier : identifiers)
    steps.push_back(Peer::Send(FindResponse(0xFF00, identifier)));
  steps.insert(steps.end(), answer.begin(), answer.end());
  if (answer.empty()) steps.push_back(Peer::Send(FindResponse(0x0000)));
  return steps;
}

// The keys of each level, in tag order, as the browser must send them; UIDs come back with the
// NUL that made them even.
inline std::string StudyKeys(std::string_view studyDate = "", std::string_view name = "",
                             std::string_view birthDate = "") {
  return Element(0x0008, 0x0020, studyDate) + Element(0x0008, 0x0052, "STUDY") +
         Element(0x0010, 0x0010, name) + Element(0x0010, 0x0020, "") +
         Element(0x0010, 0x0030, birthDate) + Element(0x0020, 0x000d, "") +
         Element(0x0020, 0x0010, "");
}
inline std::string SeriesKeys(std::string_view study) {
  return Element(0x0008, 0x0052, "SERIES") + Element(0x0008, 0x0060, "") +
         Element(0x0020, 0x000d, study, " 00") + Element(0x0020, 0x000e, "") +
         Element(0x0020, 0x0011, "");
}
inline std::string ImageKeys(std::string_view study, std::string_view series) {
  return Element(0x0008, 0x0018, "") + Element(0x0008, 0x0052, "IMAGE") +
         Element(0x0020, 0x000d, study, " 00") + Element(0x0020, 0x000e, series, " 00") +
         Element(0x0020, 0x0013, "");
}
inline std::string MoveKeys(std::string_view image) {
  return Element(0x0008, 0x0018, image, " 00") + Element(0x0008, 0x0052, "IMAGE") +
         Element(0x0020, 0x000d, "1.2.1", " 00") + Element(0x0020, 0x000e, "1.2.1.1", " 00");
}

// The association with the three contexts accepted, then the steps.
inline Steps Established(Steps then, bool released = false) {
  return testing_support::Established({{1, 0}, {3, 0}, {5, 0}}, std::move(then), released);
}

inline Steps Then(Steps steps, const Steps& more) {
  steps.insert(steps.end(), more.begin(), more.end());
  return steps;
}

// A study-level response: optional character set, study date, name, patient ID, birth date,
// study UID, study ID, in ascending tag order.
inline std::string Study(std::string_view name, std::string_view studyId, std::string_view date,
                         std::string_view uid, std::string_view characterSet = {},
                         std::string_view birthDate = "19700101") {
  return (characterSet.empty() ? "" : Element(0x0008, 0x0005, characterSet)) +
         Element(0x0008, 0x0020, date) + Element(0x0010, 0x0010, name) +
         Element(0x0010, 0x0020, "ID01") + Element(0x0010, 0x0030, birthDate) +
         Element(0x0020, 0x000d, uid, " 00") + Element(0x0020, 0x0010, studyId);
}

inline std::string Series(std::string_view modality, std::string_view number,
                          std::string_view uid) {
  return Element(0x0008, 0x0060, modality) + Element(0x0020, 0x000d, "1.2.1", " 00") +
         Element(0x0020, 0x000e, uid, " 00") + Element(0x0020, 0x0011, number);
}

inline std::string Image(std::string_view number, std::string_view uid) {
  return Element(0x0008, 0x0018, uid, " 00") + Element(0x0020, 0x000d, "1.2.1", " 00") +
         Element(0x0020, 0x000e, "1.2.1.1", " 00") + Element(0x0020, 0x0013, number);
}

// A move request for an image of the first series; the archive answers with `answer`.
inline Steps Move(std::string_view image, const Steps& answer) {
  return Then(
      {Peer::ExpectPdu(0x04), Peer::Expect(DataPdu({{kMoveContext, 0x02, MoveKeys(image)}}))},
      answer);
}

// A small image that the host can load, written where the receiver would leave it.
inline void WriteImage(const std::filesystem::path& path) {
  dicom::DataSet object;
  object.InsertText(0x00080016, dicom::vr::UI, "1.2.840.10008.5.1.4.1.1.7");
  object.InsertText(0x00080018, dicom::vr::UI, "1.2.1.1.1");
  ASSERT_TRUE(testing_support::WriteSmallImage(std::move(object), path.string()));
}

// Texts as the list views hold them, code page 1252, from UTF-8 source text.
inline std::string Ansi(const char* utf8) {
  return platform::ToAnsi(QString::fromUtf8(utf8));
}

}  // namespace browser_test
