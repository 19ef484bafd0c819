#include <gtest/gtest.h>

#include <chrono>

#include "net/Association.h"
#include "net/IdCounter.h"
#include "support/Hex.h"
#include "support/ScriptedPeer.h"

namespace dicom {
namespace {

using testing_support::AsciiHex;
using testing_support::FromHex;
using testing_support::ScriptedPeer;
using testing_support::ToHex;

constexpr std::string_view kVerification = "1.2.840.10008.1.1";
constexpr std::string_view kFind = "1.2.840.10008.5.1.4.1.2.2.1";
constexpr std::string_view kMove = "1.2.840.10008.5.1.4.1.2.2.2";
const std::string kImplicit = AsciiHex("1.2.840.10008.1.2");
const std::string kExplicit = AsciiHex("1.2.840.10008.1.2.1");

// Header of length-prefixed structures, so that fixtures can be written as nested parts.
std::string Hex(std::uint64_t value, int bytes) {
  std::string hex;
  for (int i = bytes - 1; i >= 0; --i) {
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

const std::string kUserInformation = Item(0x50, Item(0x51, "00 00 40 00") +  // 16384
                                                    Item(0x52, AsciiHex("1.2.40.0.12.0.9905")) +
                                                    Item(0x55, AsciiHex("KORAL9905pc")));

std::string AssociateBody(const std::string& items) {
  return "00 01 00 00 " + Title("ARCHIVE") + Title("DICOMNET") +
         [] {
           std::string zeros;
           for (int i = 0; i < 32; ++i)
             zeros += "00 ";
           return zeros;
         }() +
         Item(0x10, AsciiHex("1.2.840.10008.3.1.1.1")) + items;
}

// An A-ASSOCIATE-AC answering each (context id, result) with the given transfer syntax.
std::string Accept(std::vector<std::pair<int, int>> results, const std::string& syntax = kImplicit,
                   const std::string& userInformation = kUserInformation) {
  std::string items;
  for (auto [id, result] : results) {
    items += Item(0x21, Hex(id, 1) + "00 " + Hex(result, 1) + "00 " + Item(0x40, syntax));
  }
  return Pdu(0x02, AssociateBody(items + userInformation));
}

// One P-DATA-TF PDU holding the given PDVs, each (context id, control header, fragment hex).
std::string DataPdu(std::vector<std::tuple<int, int, std::string>> pdvs) {
  std::string body;
  for (const auto& [id, control, fragment] : pdvs) {
    body += Hex(Bytes(fragment) + 2, 4) + Hex(id, 1) + Hex(control, 1) + fragment;
  }
  return Pdu(0x04, body);
}

const std::string kReleaseRq = "05 00 00 00 00 04 00 00 00 00";
const std::string kReleaseRp = "06 00 00 00 00 04 00 00 00 00";

// (0008,0005) CS "ISO_IR 100" in implicit VR little-endian: a small message to receive.
const std::string kMessage = "08 00 05 00 0a 00 00 00 " + AsciiHex("ISO_IR 100");

// Titles and application context as the fixtures expect them, ids counted from 1.
void Prepare(Association& association) {
  SetIdCounter(1);
  association.SetCallingTitle("DICOMNET");
  association.SetCalledTitle("ARCHIVE");
  association.SetApplicationContext("1.2.840.10008.3.1.1.1");
}

class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override { Prepare(association_); }

  int Request(ScriptedPeer& peer) {
    return association_.Request("127.0.0.1", peer.PortText().c_str());
  }

  Association association_;
};

TEST_F(AssociationTest, RequestWithOneContextIsByteExact) {
  association_.AddAbstractSyntax(kVerification);
  ScriptedPeer peer({
      ScriptedPeer::Expect(
          Pdu(0x01, AssociateBody(Item(0x20, "01 00 00 00 " +  //
                                                 Item(0x30, AsciiHex(kVerification)) +
                                                 Item(0x40, kImplicit)) +
                                  kUserInformation))),
      ScriptedPeer::Send(Accept({{1, 0}})),
      ScriptedPeer::Expect(kReleaseRq),
      ScriptedPeer::Send(kReleaseRp),
      ScriptedPeer::ExpectClosed(),
  });
  ASSERT_EQ(Request(peer), 1);
  EXPECT_EQ(FromHex(ToHex(peer.Received())).size(), 198u) << "192 after the 6-byte header";
  EXPECT_EQ(peer.Received()[5], 0xC0);
  EXPECT_EQ(association_.Release(), 1);
  EXPECT_FALSE(association_.IsConnected());
  EXPECT_EQ(peer.Finish(), "");
}

TEST_F(AssociationTest, BrowserRequestProposesThreeContextsInOrder) {
  for (std::string_view uid : {kVerification, kFind, kMove, kFind})
    association_.AddAbstractSyntax(uid);
  ScriptedPeer peer({ScriptedPeer::ExpectPdu(0x01),
                     ScriptedPeer::Send(Accept({{1, 0}, {3, 0}, {5, 0}})),
                     ScriptedPeer::ExpectPdu(0x05), ScriptedPeer::Send(kReleaseRp)});
  ASSERT_EQ(Request(peer), 1);
  const AssociateRequestPdu& request = association_.RequestPdu();
  EXPECT_EQ(request.Size(), 318u);
  ASSERT_EQ(request.presentationContexts.size(), 3u);
  const std::uint8_t ids[] = {1, 3, 5};
  const std::string_view uids[] = {kVerification, kFind, kMove};
  const std::uint16_t lengths[] = {46, 56, 56};
  for (int i = 0; i < 3; ++i) {
    const PresentationContext& context = request.presentationContexts[i];
    EXPECT_EQ(context.id, ids[i]);
    EXPECT_EQ(context.abstractSyntax.value.View(), uids[i]);
    EXPECT_EQ(context.Length(), lengths[i]);
    ASSERT_EQ(context.transferSyntaxes.size(), 1u);
    EXPECT_EQ(context.transferSyntaxes[0].value.View(), "1.2.840.10008.1.2");
  }
  EXPECT_EQ(request.userInformation.Length(), 45);
  EXPECT_EQ(peer.Received().size(), 318u);
  association_.Release();
  EXPECT_EQ(peer.Finish(), "");
}

TEST_F(AssociationTest, ContextIdsWrapFrom255To1) {
  association_.AddAbstractSyntax(kVerification);
  association_.AddAbstractSyntax(kFind);
  SetIdCounter(254);
  ScriptedPeer peer({ScriptedPeer::ExpectPdu(0x01), ScriptedPeer::Send(Accept({{255, 0}, {1, 0}})),
                     ScriptedPeer::ExpectPdu(0x05), ScriptedPeer::Send(kReleaseRp)});
  ASSERT_EQ(Request(peer), 1);
  EXPECT_EQ(association_.RequestPdu().presentationContexts[0].id, 255);
  EXPECT_EQ(association_.RequestPdu().presentationContexts[1].id, 1);
  association_.Release();
  EXPECT_EQ(peer.Finish(), "");
}

TEST_F(AssociationTest, NegotiationOutcomes) {
  const std::string roleSelection = Item(0x54, Hex(kFind.size(), 2) + AsciiHex(kFind) + "01 00");
  const std::string asyncWindow = Item(0x53, "00 01 00 01");
  struct Case {
    const char* name;
    std::vector<ScriptedPeer::Step> answer;
    int result;
    std::vector<int> accepted;
  };
  const Case cases[] = {
      {"all accepted", {ScriptedPeer::Send(Accept({{1, 0}, {3, 0}, {5, 0}}))}, 1, {1, 3, 5}},
      {"only the second accepted", {ScriptedPeer::Send(Accept({{1, 3}, {3, 0}, {5, 4}}))}, 1, {3}},
      {"none accepted", {ScriptedPeer::Send(Accept({{1, 3}, {3, 2}, {5, 4}}))}, 0, {}},
      {"role selection is read",
       {ScriptedPeer::Send(Accept(
           {{1, 0}, {3, 0}}, kImplicit,
           Item(0x50, Item(0x51, "00 00 40 00") + roleSelection + Item(0x52, AsciiHex("1.2.3")))))},
       1,
       {1, 3}},
      {"unknown user information sub-item skips the rest",
       {ScriptedPeer::Send(Accept(
           {{1, 0}}, kImplicit,
           Item(0x50, Item(0x51, "00 00 40 00") + asyncWindow + Item(0x52, AsciiHex("1.2.3")))))},
       1,
       {1}},
      {"unknown item between contexts keeps the first",
       {ScriptedPeer::Send(Pdu(
           0x02,
           AssociateBody(Item(0x21, "01 00 00 00 " + Item(0x40, kImplicit)) +
                         Item(0x77, "01 02 03 04") +
                         Item(0x21, "03 00 00 00 " + Item(0x40, kImplicit)) + kUserInformation)))},
       1,
       {1}},
      {"text longer than 64 characters stays in step",
       {ScriptedPeer::Send(Accept({{1, 0}, {3, 0}}, AsciiHex(std::string(70, '9'))))},
       1,
       {1, 3}},
      {"reject", {ScriptedPeer::Send("03 00 00 00 00 04 00 01 01 01")}, 0, {}},
      {"abort instead of accept", {ScriptedPeer::Send("07 00 00 00 00 04 00 00 02 00")}, 0, {}},
      {"closed before answering", {ScriptedPeer::Close()}, 0, {}},
      {"accept longer than 1 MiB is refused unread",
       {ScriptedPeer::Send("02 00 00 10 00 01 00 01 00 00")},
       0,
       {}},
  };
  for (const Case& c : cases) {
    Association association;
    Prepare(association);
    for (std::string_view uid : {kVerification, kFind, kMove})
      association.AddAbstractSyntax(uid);
    std::vector<ScriptedPeer::Step> steps{ScriptedPeer::ExpectPdu(0x01)};
    steps.insert(steps.end(), c.answer.begin(), c.answer.end());
    if (c.result == 1) {
      steps.push_back(ScriptedPeer::ExpectPdu(0x05));
      steps.push_back(ScriptedPeer::Send(kReleaseRp));
    }
    steps.push_back(ScriptedPeer::ExpectClosed());
    ScriptedPeer peer(std::move(steps));
    EXPECT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), c.result) << c.name;
    std::vector<int> accepted;
    for (const PresentationContextAccept& context : association.AcceptedContexts()) {
      accepted.push_back(context.id);
      EXPECT_EQ(context.result, 0) << c.name;
    }
    if (c.result == 1) {
      EXPECT_EQ(accepted, c.accepted) << c.name;
    }
    EXPECT_EQ(association.IsConnected(), c.result == 1) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST_F(AssociationTest, RequestWithoutAbstractSyntaxesOpensNothing) {
  association_.AddAbstractSyntax(kVerification);
  association_.ClearAbstractSyntaxes();
  EXPECT_EQ(association_.Request("127.0.0.1", "1"), 0);
  association_.AddAbstractSyntax(kVerification);
  association_.AddAbstractSyntax(kVerification);
  ScriptedPeer peer({ScriptedPeer::ExpectPdu(0x01), ScriptedPeer::Send(Accept({{1, 0}})),
                     ScriptedPeer::ExpectPdu(0x05), ScriptedPeer::Send(kReleaseRp)});
  ASSERT_EQ(Request(peer), 1);
  EXPECT_EQ(association_.RequestPdu().presentationContexts.size(), 1u);
  association_.Release();
  EXPECT_EQ(peer.Finish(), "");
}

TEST_F(AssociationTest, SecondRequestStartsFromNothing) {
  association_.AddAbstractSyntax(kVerification);
  {
    ScriptedPeer peer({ScriptedPeer::ExpectPdu(0x01), ScriptedPeer::Send(Accept({{1, 0}})),
                       ScriptedPeer::ExpectPdu(0x05), ScriptedPeer::Send(kReleaseRp)});
    ASSERT_EQ(Request(peer), 1);
    association_.Release();
    EXPECT_EQ(peer.Finish(), "");
  }
  ScriptedPeer peer({ScriptedPeer::ExpectPdu(0x01), ScriptedPeer::Send(Accept({{3, 3}})),
                     ScriptedPeer::ExpectClosed()});
  EXPECT_EQ(Request(peer), 0);
  EXPECT_TRUE(association_.AcceptedContexts().empty());
  EXPECT_EQ(peer.Finish(), "");
}

// An established association on context 1 (Verification), ready for the steps that follow.
std::vector<ScriptedPeer::Step> Established(std::vector<ScriptedPeer::Step> then,
                                            const std::string& syntax = kImplicit) {
  std::vector<ScriptedPeer::Step> steps{ScriptedPeer::ExpectPdu(0x01),
                                        ScriptedPeer::Send(Accept({{1, 0}}, syntax))};
  steps.insert(steps.end(), then.begin(), then.end());
  return steps;
}

TEST_F(AssociationTest, CommandLeavesAsOnePdu) {
  association_.AddAbstractSyntax(kVerification);
  DataSet command;
  command.InsertText(0x00000002, vr::UI, "1.2.840.10008.1.1");  // 8 + 18
  command.InsertUS(0x00000100, 0x0030);                         // 10
  command.InsertUS(0x00000110, 1);                              // 10
  command.InsertUS(0x00000800, 0x0101);                         // 10
  ScriptedPeer peer(Established({
      // 12 + 26 + 30 = 68 bytes on context 1, marked command and last fragment.
      ScriptedPeer::Expect("04 00 00 00 00 4a  00 00 00 46 01 03"),
      ScriptedPeer::Expect("00 00 00 00 04 00 00 00 38 00 00 00"),
      ScriptedPeer::Expect("00 00 02 00 12 00 00 00" + AsciiHex("1.2.840.10008.1.1") + "00"),
      ScriptedPeer::Expect("00 00 00 01 02 00 00 00 30 00  00 00 10 01 02 00 00 00 01 00"
                           "00 00 00 08 02 00 00 00 01 01"),
      ScriptedPeer::Expect(kReleaseRq),
      ScriptedPeer::Send(kReleaseRp),
  }));
  ASSERT_EQ(Request(peer), 1);
  EXPECT_EQ(association_.SendMessage(1, command, kVerification, ImplicitLittleEndian), 1);
  association_.Release();
  EXPECT_EQ(peer.Finish(), "");
}

TEST_F(AssociationTest, FragmentsOfAtMost4096) {
  struct Case {
    std::size_t messageBytes;
    std::uint8_t control;
    std::vector<std::uint32_t> fragments;
  };
  for (const Case& c : {Case{10000, 0, {4096, 4096, 1808}}, Case{4096, 1, {4096}}}) {
    Association association;
    Prepare(association);
    association.AddAbstractSyntax(kVerification);
    DataSet dataSet;
    dataSet.InsertText(0x00100010, vr::LO, std::string(c.messageBytes - 8, 'x'));
    std::vector<ScriptedPeer::Step> steps;
    for (std::size_t i = 0; i < c.fragments.size(); ++i)
      steps.push_back(ScriptedPeer::ExpectPdu(0x04));
    ScriptedPeer peer(Established(steps));
    ASSERT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 1);
    ASSERT_EQ(association.SendMessage(c.control, dataSet, kVerification, ImplicitLittleEndian), 1);
    ASSERT_EQ(peer.Finish(), "");
    association.Socket().Close();

    const std::vector<std::uint8_t>& received = peer.Received();
    std::size_t at = 198;  // after the association request
    for (std::size_t i = 0; i < c.fragments.size(); ++i) {
      const bool last = i + 1 == c.fragments.size();
      const std::uint32_t fragment = c.fragments[i];
      const std::string header = ToHex(std::span(received).subspan(at, 12));
      EXPECT_EQ(header, ToHex(FromHex("04 00" + Hex(fragment + 6, 4) + Hex(fragment + 2, 4) + "01" +
                                      Hex(c.control | (last ? 2 : 0), 1))))
          << c.messageBytes << " fragment " << i;
      at += 12 + fragment;
    }
    EXPECT_EQ(at, received.size());
  }
}

TEST_F(AssociationTest, UnwritableOrUnacceptedMessagesSendNothing) {
  association_.AddAbstractSyntax(kVerification);
  association_.AddAbstractSyntax(kFind);
  ScriptedPeer peer(
      Established({ScriptedPeer::Expect(kReleaseRq), ScriptedPeer::Send(kReleaseRp)}));
  ASSERT_EQ(Request(peer), 1);  // context 3 (FIND) was not in the answer
  DataSet dataSet;
  dataSet.InsertText(0x00100010, vr::PN, "Doe");
  EXPECT_EQ(association_.SendMessage(0, dataSet, kFind, ImplicitLittleEndian), 0);
  EXPECT_EQ(association_.SendMessage(0, dataSet, kMove, ImplicitLittleEndian), 0);
  EXPECT_EQ(association_.SendMessage(0, dataSet, kVerification, ExplicitLittleEndian), 0);
  DataSet unwritable;
  unwritable.InsertRaw(0x00280010, vr::US, 3, std::make_unique<std::uint8_t[]>(3));
  EXPECT_EQ(association_.SendMessage(0, unwritable, kVerification, ExplicitBigEndian), 0);
  EXPECT_TRUE(association_.IsConnected());
  association_.Release();
  EXPECT_EQ(peer.Finish(), "") << "nothing but the release followed the accept";
}

TEST_F(AssociationTest, ReceivedFragmentsAreJoined) {
  association_.AddAbstractSyntax(kVerification);
  const std::string first = "08 00 05 00 0a 00 00 00";
  const std::string second = AsciiHex("ISO_IR 100");
  const std::string big = "10 00 10 00 20 4e 00 00 " + AsciiHex(std::string(20000, 'y'));
  struct Case {
    const char* name;
    std::vector<ScriptedPeer::Step> steps;
    int messages;
  };
  const Case cases[] = {
      {"one PDV", {ScriptedPeer::Send(DataPdu({{1, 2, kMessage}}))}, 1},
      {"split over two PDUs",
       {ScriptedPeer::Send(DataPdu({{1, 0, first}})),
        ScriptedPeer::Send(DataPdu({{1, 2, second}}))},
       1},
      {"two PDVs of one message in one PDU",
       {ScriptedPeer::Send(DataPdu({{1, 0, first}, {1, 2, second}}))},
       1},
      {"two messages in one PDU",
       {ScriptedPeer::Send(DataPdu({{1, 3, kMessage}, {1, 2, kMessage}}))},
       2},
      {"PDU sent a byte at a time",
       {ScriptedPeer::SendInPieces(DataPdu({{1, 0, first}, {1, 2, second}}), {1})},
       1},
      {"PDU of 20000 bytes, above the proposed maximum",
       {ScriptedPeer::Send(DataPdu({{1, 2, big}}))},
       1},
  };
  for (const Case& c : cases) {
    Association association;
    Prepare(association);
    association.AddAbstractSyntax(kVerification);
    std::vector<ScriptedPeer::Step> steps = Established(c.steps);
    steps.push_back(ScriptedPeer::Expect(kReleaseRq));
    steps.push_back(ScriptedPeer::Send(kReleaseRp));
    ScriptedPeer peer(std::move(steps));
    ASSERT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 1) << c.name;
    for (int i = 0; i < c.messages; ++i) {
      DataSet received;
      ASSERT_EQ(association.ReceiveMessage(received), 1) << c.name << " message " << i;
      EXPECT_EQ(received.Size(), 1u) << c.name;
    }
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST_F(AssociationTest, WhatEndsAnExchange) {
  const std::string abortUnexpected = "07 00 00 00 00 04 00 00 02 02";
  const std::string abortUnrecognized = "07 00 00 00 00 04 00 00 02 01";
  const std::string abortUnreadable = "07 00 00 00 00 04 00 00 02 00";
  struct Case {
    const char* name;
    std::vector<ScriptedPeer::Step> steps;
  };
  const Case cases[] = {
      {"associate request",
       {ScriptedPeer::Send(Pdu(0x01, AssociateBody(kUserInformation))),
        ScriptedPeer::Expect(abortUnexpected), ScriptedPeer::ExpectClosed()}},
      {"associate accept",
       {ScriptedPeer::Send(Accept({{1, 0}})), ScriptedPeer::Expect(abortUnexpected),
        ScriptedPeer::ExpectClosed()}},
      {"associate reject",
       {ScriptedPeer::Send("03 00 00 00 00 04 00 01 01 01"), ScriptedPeer::Expect(abortUnexpected),
        ScriptedPeer::ExpectClosed()}},
      {"release request is answered",
       {ScriptedPeer::Send(kReleaseRq), ScriptedPeer::Expect(kReleaseRp),
        ScriptedPeer::ExpectClosed()}},
      {"release response", {ScriptedPeer::Send(kReleaseRp), ScriptedPeer::ExpectClosed()}},
      {"abort",
       {ScriptedPeer::Send("07 00 00 00 00 04 00 00 00 00"), ScriptedPeer::ExpectClosed()}},
      {"unknown PDU type",
       {ScriptedPeer::Send("08 00 00 00 00 00"), ScriptedPeer::Expect(abortUnrecognized),
        ScriptedPeer::ExpectClosed()}},
      {"PDV length below 2",
       {ScriptedPeer::Send("04 00 00 00 00 06 00 00 00 01 01 02"),
        ScriptedPeer::Expect(abortUnreadable), ScriptedPeer::ExpectClosed()}},
      {"PDV reaching past its PDU",
       {ScriptedPeer::Send("04 00 00 00 00 08 00 00 00 05 01 02 41 42"),
        ScriptedPeer::Expect(abortUnreadable), ScriptedPeer::ExpectClosed()}},
      {"message above the cap",
       {ScriptedPeer::Send("04 00 00 00 00 06 08 00 00 02 01 00"),
        ScriptedPeer::Expect(abortUnreadable), ScriptedPeer::ExpectClosed()}},
      {"connection closed mid-PDU",
       {ScriptedPeer::Send("04 00 00 00 00 20 00 00 00 1c 01 02 08 00"), ScriptedPeer::Close()}},
      {"connection reset", {ScriptedPeer::Abort()}},
  };
  for (const Case& c : cases) {
    Association association;
    Prepare(association);
    association.AddAbstractSyntax(kVerification);
    ScriptedPeer peer(Established(c.steps));
    ASSERT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 1) << c.name;
    DataSet received;
    EXPECT_EQ(association.ReceiveMessage(received), 0) << c.name;
    EXPECT_FALSE(association.IsConnected()) << c.name;
    EXPECT_EQ(association.Release(), 1)
        << c.name << ": release of an idle association sends nothing";
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST_F(AssociationTest, MessagesThatDoNotDecodeKeepTheAssociation) {
  association_.AddAbstractSyntax(kVerification);
  ScriptedPeer peer(Established({
      ScriptedPeer::Send(DataPdu({{7, 2, kMessage}})),                   // context never accepted
      ScriptedPeer::Send(DataPdu({{1, 2, "08 00 05 00 ff ff ff 7f"}})),  // length above the limit
      ScriptedPeer::Send(DataPdu({{1, 2, kMessage}})),                   // and then a good one
      ScriptedPeer::Expect(kReleaseRq),
      ScriptedPeer::Send(kReleaseRp),
  }));
  ASSERT_EQ(Request(peer), 1);
  DataSet received;
  EXPECT_EQ(association_.ReceiveMessage(received), 0);
  EXPECT_EQ(association_.ReceiveMessage(received), 0);
  EXPECT_TRUE(association_.IsConnected());
  ASSERT_EQ(association_.ReceiveMessage(received), 1);
  EXPECT_EQ(received.GetText(0x00080005, vr::CS), "ISO_IR 100") << "nothing of the bad ones leaked";
  association_.Release();
  EXPECT_EQ(peer.Finish(), "");
}

TEST_F(AssociationTest, SilentPeerEndsWithTheTimeOut) {
  association_.AddAbstractSyntax(kVerification);
  association_.Socket().SetReceiveTimeout(1);
  ScriptedPeer peer(Established(
      {ScriptedPeer::Expect("07 00 00 00 00 04 00 00 02 00"), ScriptedPeer::ExpectClosed()}));
  ASSERT_EQ(Request(peer), 1);
  DataSet received;
  EXPECT_EQ(association_.ReceiveMessage(received), 0);
  EXPECT_FALSE(association_.IsConnected());
  EXPECT_EQ(peer.Finish(), "");
}

TEST_F(AssociationTest, DestructionReleases) {
  ScriptedPeer peer({ScriptedPeer::ExpectPdu(0x01), ScriptedPeer::Send(Accept({{1, 0}})),
                     ScriptedPeer::Expect(kReleaseRq), ScriptedPeer::Send(kReleaseRp),
                     ScriptedPeer::ExpectClosed()});
  {
    Association association;
    association.AddAbstractSyntax(kVerification);
    ASSERT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 1);
  }
  EXPECT_EQ(peer.Finish(), "");
}

// The peer closes the connection after every prefix of a recorded answer: nothing crashes, hangs
// or leaks, and only the whole answer yields a message.
TEST_F(AssociationTest, PeerClosingAtEveryByte) {
  const std::vector<std::uint8_t> answer =
      FromHex(Accept({{1, 0}}) + DataPdu({{1, 0, "08 00 05 00"}}) +
              DataPdu({{1, 2, "0a 00 00 00 " + AsciiHex("ISO_IR 100")}}));
  for (std::size_t cut = 0; cut <= answer.size(); ++cut) {
    Association association;
    Prepare(association);
    association.AddAbstractSyntax(kVerification);
    association.Socket().SetReceiveTimeout(5);
    std::vector<std::uint8_t> prefix(answer.begin(), answer.begin() + cut);
    ScriptedPeer peer(
        {ScriptedPeer::ExpectPdu(0x01), ScriptedPeer::Send(prefix), ScriptedPeer::Close()});
    const int established = association.Request("127.0.0.1", peer.PortText().c_str());
    DataSet received;
    const int message = established ? association.ReceiveMessage(received) : 0;
    EXPECT_EQ(message, cut == answer.size() ? 1 : 0) << "cut at " << cut;
    association.Release();
    peer.Finish();
  }
}

}  // namespace
}  // namespace dicom
