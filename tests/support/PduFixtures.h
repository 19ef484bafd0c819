#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "net/Association.h"
#include "support/ScriptedPeer.h"

namespace testing_support {

// Small builders for the byte fixtures of a scripted archive, so that PDUs can be written as nested
// parts whose lengths are counted for us. Everything here returns hex text for FromHex.

// A number as hex, most significant byte first (PDU fields).
std::string Hex(std::uint64_t value, int bytes);
// A number as hex, least significant byte first (implicit VR little-endian values).
std::string LeHex(std::uint64_t value, int bytes);
// How many bytes a hex text stands for.
std::size_t Bytes(const std::string& hex);

std::string Item(int type, const std::string& body);
std::string Pdu(int type, const std::string& body);
// An application entity title padded with spaces to 16 characters.
std::string Title(std::string_view title);

// "1.2.840.10008.1.2", the one transfer syntax this system proposes.
std::string ImplicitSyntax();
// Maximum length 16384, an implementation class UID and version name, as an archive answers.
std::string UserInformation();
// The common part of A-ASSOCIATE-RQ and -AC: called ARCHIVE, calling DICOMNET.
std::string AssociateBody(const std::string& items);
// An A-ASSOCIATE-AC answering each (context id, result) with the given transfer syntax.
std::string Accept(const std::vector<std::pair<int, int>>& results,
                   const std::string& syntax = ImplicitSyntax(),
                   const std::string& userInformation = UserInformation());
// One P-DATA-TF PDU holding the given PDVs, each (context id, control header, fragment hex).
std::string DataPdu(const std::vector<std::tuple<int, int, std::string>>& pdvs);

// Elements of group 0000 in implicit VR little-endian, for the commands a scripted archive sends.
std::string CommandUs(int element, std::uint16_t value);
// A UID, NUL-padded to even length.
std::string CommandUi(int element, std::string_view uid);
// The (0000,0000) group length counting the elements, then the elements as given.
std::string CommandSet(const std::vector<std::string>& elements);

inline constexpr std::string_view kReleaseRq = "05 00 00 00 00 04 00 00 00 00";
inline constexpr std::string_view kReleaseRp = "06 00 00 00 00 04 00 00 00 00";
// A-ABORT from the service provider with reason 0: what this system sends when a receive
// fails.
inline constexpr std::string_view kProviderAbort = "07 00 00 00 00 04 00 00 02 00";
// A-ABORT from the service user, as a peer sends it.
inline constexpr std::string_view kUserAbort = "07 00 00 00 00 04 00 00 00 00";

// Titles and application context as the fixtures expect them, ids counted from 1.
void Prepare(dicom::Association& association);

// The association request is taken unread and answered with these results; the steps follow.
std::vector<ScriptedPeer::Step> Established(const std::vector<std::pair<int, int>>& results,
                                            std::vector<ScriptedPeer::Step> then);

}  // namespace testing_support
