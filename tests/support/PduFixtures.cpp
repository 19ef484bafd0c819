#include "support/PduFixtures.h"

#include <cstdio>

#include "net/IdCounter.h"
#include "support/Hex.h"

namespace testing_support {

std::string Hex(std::uint64_t value, int bytes) {
  std::string hex;
  for (int i = bytes - 1; i >= 0; --i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x ", static_cast<unsigned>(value >> (8 * i)) & 0xFF);
    hex += digits;
  }
  return hex;
}

std::string LeHex(std::uint64_t value, int bytes) {
  std::string hex;
  for (int i = 0; i < bytes; ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x ", static_cast<unsigned>(value >> (8 * i)) & 0xFF);
    hex += digits;
  }
  return hex;
}

std::size_t Bytes(const std::string& hex) {
  return FromHex(hex).size();
}

std::string Item(int type, const std::string& body) {
  return Hex(type, 1) + "00 " + Hex(Bytes(body), 2) + body;
}

std::string Pdu(int type, const std::string& body) {
  return Hex(type, 1) + "00 " + Hex(Bytes(body), 4) + body;
}

std::string Title(std::string_view title) {
  std::string padded(title);
  padded.resize(16, ' ');
  return AsciiHex(padded);
}

std::string ImplicitSyntax() {
  return AsciiHex("1.2.840.10008.1.2");
}

std::string UserInformation() {
  return Item(0x50, Item(0x51, "00 00 40 00") +  // 16384
                        Item(0x52, AsciiHex("1.2.40.0.12.0.9905")) +
                        Item(0x55, AsciiHex("KORAL9905pc")));
}

std::string AssociateBody(const std::string& items) {
  std::string reserved;
  for (int i = 0; i < 32; ++i)
    reserved += "00 ";
  return "00 01 00 00 " + Title("ARCHIVE") + Title("DICOMNET") + reserved +
         Item(0x10, AsciiHex("1.2.840.10008.3.1.1.1")) + items;
}

std::string Accept(const std::vector<std::pair<int, int>>& results, const std::string& syntax,
                   const std::string& userInformation) {
  std::string items;
  for (auto [id, result] : results) {
    items += Item(0x21, Hex(id, 1) + "00 " + Hex(result, 1) + "00 " + Item(0x40, syntax));
  }
  return Pdu(0x02, AssociateBody(items + userInformation));
}

std::string DataPdu(const std::vector<std::tuple<int, int, std::string>>& pdvs) {
  std::string body;
  for (const auto& [id, control, fragment] : pdvs) {
    body += Hex(Bytes(fragment) + 2, 4) + Hex(id, 1) + Hex(control, 1) + fragment;
  }
  return Pdu(0x04, body);
}

std::string CommandUs(int element, std::uint16_t value) {
  return "00 00 " + LeHex(element, 2) + "02 00 00 00 " + LeHex(value, 2);
}

std::string CommandUi(int element, std::string_view uid) {
  const std::size_t length = uid.size() + uid.size() % 2;
  return "00 00 " + LeHex(element, 2) + LeHex(length, 4) + AsciiHex(uid) +
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

std::vector<ScriptedPeer::Step> Established(const std::vector<std::pair<int, int>>& results,
                                            std::vector<ScriptedPeer::Step> then) {
  std::vector<ScriptedPeer::Step> steps{ScriptedPeer::ExpectPdu(0x01),
                                        ScriptedPeer::Send(Accept(results))};
  steps.insert(steps.end(), then.begin(), then.end());
  return steps;
}

}  // namespace testing_support
