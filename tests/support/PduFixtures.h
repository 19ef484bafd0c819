#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "net/Association.h"
#include "support/ScriptedPeer.h"

namespace testing_support {

// Builders for the bytes of a scripted archive, written as nested parts whose lengths are counted
// for us. All return hex text for FromHex.

// A number, most significant byte first (PDU fields).
std::string Hex(std::uint64_t value, int bytes);
// A number, least significant byte first (implicit VR little-endian values).
std::string LeHex(std::uint64_t value, int bytes);

std::string Item(int type, const std::string& body);
std::string Pdu(int type, const std::string& body);

// "1.2.840.10008.1.2", the one transfer syntax this system proposes.
std::string ImplicitSyntax();
// Maximum length 16384, implementation class UID and version name, as this system sends them.
std::string UserInformation();
// A proposed presentation context with its transfer syntaxes (hex of their UIDs).
std::string Proposal(int id, std::string_view abstractSyntax,
                     const std::vector<std::string>& syntaxes = {ImplicitSyntax()});
// The common part of A-ASSOCIATE-RQ and -AC: called ARCHIVE, calling DICOMNET.
std::string AssociateBody(const std::string& items);
// An A-ASSOCIATE-AC answering each (context id, result).
std::string Accept(const std::vector<std::pair<int, int>>& results,
                   const std::string& syntax = ImplicitSyntax(),
                   const std::string& userInformation = UserInformation());
// One P-DATA-TF holding PDVs of (context id, control header, fragment hex).
std::string DataPdu(const std::vector<std::tuple<int, int, std::string>>& pdvs);

// Group 0000 elements in implicit VR little-endian; UIDs are NUL-padded.
std::string CommandUs(int element, std::uint16_t value);
std::string CommandUi(int element, std::string_view uid);
// The (0000,0000) group length, then the elements.
std::string CommandSet(const std::vector<std::string>& elements);

inline constexpr std::string_view kReleaseRq = "05 00 00 00 00 04 00 00 00 00";
inline constexpr std::string_view kReleaseRp = "06 00 00 00 00 04 00 00 00 00";
// What this system sends when a receive fails.
inline constexpr std::string_view kProviderAbort = "07 00 00 00 00 04 00 00 02 00";
inline constexpr std::string_view kUserAbort = "07 00 00 00 00 04 00 00 00 00";

// Titles and application context as the fixtures expect them, ids counted from 1.
void Prepare(dicom::Association& association);
// Prepares, proposes the abstract syntaxes and requests the association from the peer.
int Connect(dicom::Association& association, const ScriptedPeer& peer,
            std::initializer_list<std::string_view> abstractSyntaxes);

// The request is taken unread and answered with these results; then the steps and, if asked,
// an answered release.
std::vector<ScriptedPeer::Step> Established(const std::vector<std::pair<int, int>>& results,
                                            std::vector<ScriptedPeer::Step> then,
                                            bool released = false);

}  // namespace testing_support
