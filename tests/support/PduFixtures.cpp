#include "support/PduFixtures.h"

#include <cstdio>

#include "net/IdCounter.h"
#include "support/Hex.h"

namespace testing_support {
namespace {

std::string Digits(std::uint64_t value, int bytes, bool bigEndian) {
  std::string hex;
  for (int i = 0; i < bytes; ++i) {
    char digits[4];
    const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
    std::snprintf(digits, sizeof digits, "%02x ", static_cast<unsigned>(value >> shift) & 0xFF);
    hex += digits;
  }
  return hex;
}

std::size_t Bytes(const std::string& hex) {
  return FromHex(hex).size();
}

}  // namespace

std::string Hex(std::uint64_t value, int bytes) {
  return Digits(value, bytes, true);
}

std::string LeHex(std::uint64_t value, int bytes) {
  return Digits(value, bytes, false);
}

std::string Item(int type, const std::string& body) {
  return Hex(type, 1) + "00 " + Hex(Bytes(body), 2) + body;
}

std::string Pdu(int type, const std::string& body) {
  return Hex(type, 1) + "00 " + Hex(Bytes(body), 4) + body;
}

std::string ImplicitSyntax() {
  return AsciiHex("1.2.840.10008.1.2");
}

std::string UserInformation() {
  return Item(0x50, Item(0x51, "00 00 40 00") + Item(0x52, AsciiHex("1.2.40.0.12.0.9905")) +
                        Item(0x55, AsciiHex("KORAL9905pc")));
}

std::string Proposal(int id, std::string_view abstractSyntax,
                     const std::vector<std::string>& syntaxes) {
  std::string body = Hex(id, 1) + "00 00 00 " + Item(0x30, AsciiHex(abstractSyntax));
  for (const std::string& syntax : syntaxes)
    body += Item(0x40, syntax);
  return Item(0x20, body);
}

std::string AssociateBody(const std::string& items) {
  return "00 01 00 00 " + AsciiHex("ARCHIVE         DICOMNET        ") + std::string(64, '0') +
         Item(0x10, AsciiHex("1.2.840.10008.3.1.1.1")) + items;
}

std::string Accept(const std::vector<std::pair<int, int>>& results, const std::string& syntax,
                   const std::string& userInformation) {
  std::string items;
  for (auto [id, result] : results)
    items += Item(0x21, Hex(id, 1) + "00 " + Hex(result, 1) + "00 " + Item(0x40, syntax));
  return Pdu(0x02, AssociateBody(items + userInformation));
}

std::string DataPdu(const std::vector<std::tuple<int, int, std::string>>& pdvs) {
  std::string body;
  for (const auto& [id, control, fragment] : pdvs)
    body += Hex(Bytes(fragment) + 2, 4) + Hex(id, 1) + Hex(control, 1) + fragment;
  return Pdu(0x04, body);
}

std::string CommandUs(int element, std::uint16_t value) {
  return "00 00 " + LeHex(element, 2) + "02 00 00 00 " + LeHex(value, 2);
}

std::string CommandUi(int element, std::string_view uid) {
  return "00 00 " + LeHex(element, 2) + LeHex(uid.size() + uid.size() % 2, 4) + AsciiHex(uid) +
         (uid.size() % 2 ? " 00 " : " ");
}

std::string CommandSet(const std::vector<std::string>& elements) {
  std::string body;
  for (const std::string& element : elements)
    body += element + " ";
  return "00 00 00 00 04 00 00 00 " + LeHex(Bytes(body), 4) + body;
}

void Prepare(dicom::Association& association) {
  dicom::SetIdCounter(1);
  association.SetCallingTitle("DICOMNET");
  association.SetCalledTitle("ARCHIVE");
  association.SetApplicationContext("1.2.840.10008.3.1.1.1");
}

int Connect(dicom::Association& association, const ScriptedPeer& peer,
            std::initializer_list<std::string_view> abstractSyntaxes) {
  Prepare(association);
  for (std::string_view uid : abstractSyntaxes)
    association.AddAbstractSyntax(uid);
  return association.Request("127.0.0.1", peer.PortText().c_str());
}

std::vector<ScriptedPeer::Step> Established(const std::vector<std::pair<int, int>>& results,
                                            std::vector<ScriptedPeer::Step> then, bool released) {
  std::vector<ScriptedPeer::Step> steps{ScriptedPeer::ExpectPdu(0x01),
                                        ScriptedPeer::Send(Accept(results))};
  steps.insert(steps.end(), then.begin(), then.end());
  if (released) {
    steps.push_back(ScriptedPeer::Expect(kReleaseRq));
    steps.push_back(ScriptedPeer::Send(kReleaseRp));
  }
  return steps;
}

}  // namespace testing_support
