#include <gtest/gtest.h>

#include "net/Association.h"
#include "net/IdCounter.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"

namespace dicom {
namespace {

using namespace testing_support;
using Peer = ScriptedPeer;
using Steps = std::vector<ScriptedPeer::Step>;

constexpr std::string_view kVerification = "1.2.840.10008.1.1";
constexpr std::string_view kFind = "1.2.840.10008.5.1.4.1.2.2.1";
constexpr std::string_view kMove = "1.2.840.10008.5.1.4.1.2.2.2";
// (0008,0005) CS "ISO_IR 100": a small message to receive.
const std::string kMessage = "08 00 05 00 0a 00 00 00" + AsciiHex("ISO_IR 100");

TEST(AssociationTest, RequestWithOneContextIsByteExact) {
  const std::string context =
      "01 00 00 00" + Item(0x30, AsciiHex(kVerification)) + Item(0x40, ImplicitSyntax());
  Peer peer({Peer::Expect("01 00 00 00 00 c0" +  // 192 bytes follow
                          AssociateBody(Item(0x20, context) + UserInformation())),
             Peer::Send(Accept({{1, 0}})), Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp),
             Peer::ExpectClosed()});
  Association association;
  ASSERT_EQ(Connect(association, peer, {kVerification}), 1);
  EXPECT_EQ(association.Release(), 1);
  EXPECT_FALSE(association.IsConnected());
  EXPECT_EQ(peer.Finish(), "");
}

TEST(AssociationTest, BrowserRequestProposesThreeContextsInOrder) {
  Peer peer(Established({{1, 0}, {3, 0}, {5, 0}}, {}, true));
  Association association;
  ASSERT_EQ(Connect(association, peer, {kVerification, kFind, kMove, kFind}), 1);
  const AssociateRequestPdu& request = association.RequestPdu();
  EXPECT_EQ(request.Size(), 318u);
  ASSERT_EQ(request.presentationContexts.size(), 3u);
  const std::string_view uids[] = {kVerification, kFind, kMove};
  const std::uint16_t lengths[] = {46, 56, 56};
  for (int i = 0; i < 3; ++i) {
    const PresentationContext& context = request.presentationContexts[i];
    EXPECT_EQ(context.id, 2 * i + 1);
    EXPECT_EQ(context.abstractSyntax.value.View(), uids[i]);
    EXPECT_EQ(context.Length(), lengths[i]);
  }
  EXPECT_EQ(request.userInformation.Length(), 45);
  association.Release();
  EXPECT_EQ(peer.Finish(), "");
  EXPECT_EQ(peer.Received().size(), 318u + 10);

  // Context ids wrap from 255 to 1.
  SetIdCounter(254);
  Peer wrapped(Established({{255, 0}}, {}, true));
  ASSERT_EQ(association.Request("127.0.0.1", wrapped.PortText().c_str()), 1);
  EXPECT_EQ(association.RequestPdu().presentationContexts[0].id, 255);
  EXPECT_EQ(association.RequestPdu().presentationContexts[1].id, 1);
  association.Release();
  EXPECT_EQ(wrapped.Finish(), "");
}

// What answers an association request, and how each answer ends: accepted contexts, or why none.
TEST(AssociationTest, NegotiationOutcomes) {
  using End = AssociationEnd;
  const auto user = [](const std::string& items) {
    return Item(0x50, Item(0x51, "00 00 40 00") + items + Item(0x52, AsciiHex("1.2.3")));
  };
  const auto context = [](int id, const std::string& syntax = ImplicitSyntax()) {
    return Item(0x21, Hex(id, 1) + "00 00 00" + Item(0x40, syntax));
  };
  // The fixed part with these two titles, the application context and the items.
  const auto body = [](std::string_view titles, const std::string& items) {
    return "00 01 00 00 " + std::string(titles) + std::string(64, '0') +
           Item(0x10, AsciiHex("1.2.840.10008.3.1.1.1")) + items;
  };
  const std::string odd = "2e 2e 2f 78 00 ff 80 41 20 20 20 20 20 20 20 20" +
                          AsciiHex(std::string(16, ' '));  // "../x", NUL, 0xFF, 0x80; all spaces
  const std::string invalid = "07 00 00 00 00 04 00 00 02 06";
  struct Case {
    const char* name;
    Peer::Step answer;
    std::vector<int> accepted;  // empty: no association
    End ended;
    std::string_view abort = {};  // what this side sends before it closes
  };
  const Case cases[] = {
      {"all accepted", Peer::Send(Accept({{1, 0}, {3, 0}, {5, 0}})), {1, 3, 5}, End::None},
      {"only the second accepted", Peer::Send(Accept({{1, 3}, {3, 0}, {5, 4}})), {3}, End::None},
      {"none accepted", Peer::Send(Accept({{1, 3}, {3, 2}, {5, 4}})), {}, End::NoContextAccepted},
      {"role selection is read",
       Peer::Send(Accept({{1, 0}, {3, 0}}, ImplicitSyntax(),
                         user(Item(0x54, Hex(kFind.size(), 2) + AsciiHex(kFind) + "01 00")))),
       {1, 3},
       End::None},
      {"unknown and repeated user sub-items",
       Peer::Send(Accept({{1, 0}}, ImplicitSyntax(),
                         user(Item(0x58, "00 01 00 01") + Item(0x51, "00 00 10 00")))),
       {1},
       End::None},
      {"implementation class UID of 65000 bytes: its first 64 kept",
       Peer::Send(
           Accept({{1, 0}}, ImplicitSyntax(), user(Item(0x52, AsciiHex(std::string(65000, '1')))))),
       {1},
       End::None},
      {"unknown item between contexts is skipped",
       Peer::Send(Pdu(
           0x02, body(AsciiHex("ARCHIVE         DICOMNET        "),
                      context(1) + Item(0x77, "01 02 03 04") + context(3) + UserInformation()))),
       {1, 3},
       End::None},
      {"titles are opaque",
       Peer::Send(Pdu(0x02, body(odd, context(1) + UserInformation()))),
       {1},
       End::None},
      {"transfer syntax of 70 characters",
       Peer::Send(Accept({{1, 0}}, AsciiHex(std::string(70, '9')))),
       {},
       End::ProtocolError,
       invalid},
      {"transfer syntax never proposed",
       Peer::Send(Accept({{1, 0}}, AsciiHex("1.2.840.10008.1.2.1"))),
       {},
       End::ProtocolError,
       invalid},
      {"context never proposed",
       Peer::Send(Accept({{1, 0}, {7, 0}})),
       {},
       End::ProtocolError,
       invalid},
      {"even context id", Peer::Send(Accept({{2, 0}})), {}, End::ProtocolError, invalid},
      {"maximum length of 2 bytes",
       Peer::Send(Accept({{1, 0}}, ImplicitSyntax(), Item(0x50, Item(0x51, "40 00")))),
       {},
       End::ProtocolError,
       invalid},
      {"sub-item overrunning its item",
       Peer::Send(Accept({{1, 0}}, ImplicitSyntax(), "50 00 00 08 51 00 00 08 00 00 40 00")),
       {},
       End::ProtocolError,
       invalid},
      {"item overrunning the PDU",
       Peer::Send(Pdu(
           0x02, body(AsciiHex("ARCHIVE         DICOMNET        "), context(1) + "50 00 01 00"))),
       {},
       End::ProtocolError,
       invalid},
      {"shorter than its fixed part",
       Peer::Send("02 00 00 00 00 04 00 01 00 00"),
       {},
       End::ProtocolError,
       invalid},
      {"5 MB refused unread",
       Peer::Send("02 00 00 4c 4b 40 00 01 00 00"),
       {},
       End::ProtocolError,
       invalid},
      {"length 0xFFFFFFFF refused unread",
       Peer::Send("02 00 ff ff ff ff 00 01"),
       {},
       End::ProtocolError,
       invalid},
      {"HTTP instead of a PDU",
       Peer::Send(AsciiHex("GET / HTTP/1.1\r\n\r\n")),
       {},
       End::ProtocolError,
       "07 00 00 00 00 04 00 00 02 01"},
      {"P-DATA-TF instead of an answer",
       Peer::Send(DataPdu({{1, 3, kMessage}})),
       {},
       End::ProtocolError,
       "07 00 00 00 00 04 00 00 02 02"},
      {"reject", Peer::Send("03 00 00 00 00 04 00 01 01 01"), {}, End::Rejected},
      {"reject with fields out of range",
       Peer::Send("03 00 00 00 00 04 00 09 07 c8"),
       {},
       End::Rejected},
      {"abort instead of accept",
       Peer::Send("07 00 00 00 00 04 00 00 00 05"),
       {},
       End::AbortedByPeer},
      {"closed before answering", Peer::Close(), {}, End::ConnectionClosed},
      {"silent until the time-out",
       Peer::Wait(std::chrono::milliseconds(0)),
       {},
       End::TimedOut,
       kProviderAbort},
  };
  for (const Case& c : cases) {
    const bool established = !c.accepted.empty();
    Steps steps{Peer::ExpectPdu(0x01), c.answer};
    if (established) steps.insert(steps.end(), {Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp)});
    if (!c.abort.empty()) steps.push_back(Peer::Expect(c.abort));
    steps.push_back(Peer::ExpectClosed());
    Peer peer(std::move(steps));
    Association association;
    association.Socket().SetReceiveTimeout(1);
    EXPECT_EQ(Connect(association, peer, {kVerification, kFind, kMove}), established ? 1 : 0)
        << c.name;
    std::vector<int> accepted;
    for (const PresentationContextAccept& context : association.AcceptedContexts())
      accepted.push_back(context.id);
    EXPECT_EQ(accepted, established ? c.accepted : std::vector<int>{}) << c.name;
    EXPECT_EQ(association.IsConnected(), established) << c.name;
    EXPECT_EQ(association.Ended(), c.ended) << c.name;
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST(AssociationTest, EachRequestStartsFromNothing) {
  Association association;
  association.AddAbstractSyntax(kVerification);
  association.ClearAbstractSyntaxes();
  EXPECT_EQ(association.Request("127.0.0.1", "1"), 0);
  EXPECT_EQ(association.Socket().LastError(), 0) << "no abstract syntax, no connection";
  {
    Peer peer(Established({{1, 0}}, {}, true));
    ASSERT_EQ(Connect(association, peer, {kVerification, kVerification}), 1);
    EXPECT_EQ(association.RequestPdu().presentationContexts.size(), 1u);
    association.Release();
    EXPECT_EQ(peer.Finish(), "");
  }
  Peer peer(Established({{3, 3}}, {Peer::ExpectClosed()}));
  EXPECT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 0);
  EXPECT_TRUE(association.AcceptedContexts().empty());
  EXPECT_EQ(peer.Finish(), "");
}

TEST(AssociationTest, CommandLeavesAsOnePdu) {
  DataSet command;
  command.InsertText(0x00000002, vr::UI, kVerification);
  command.InsertUS(0x00000100, 0x0030);
  command.InsertUS(0x00000110, 1);
  command.InsertUS(0x00000800, 0x0101);
  const std::string bytes = CommandSet({CommandUi(0x0002, kVerification), CommandUs(0x0100, 0x30),
                                        CommandUs(0x0110, 1), CommandUs(0x0800, 0x0101)});
  // 68 bytes on context 1, marked command and last fragment.
  Peer peer(
      Established({{1, 0}}, {Peer::Expect("04 00 00 00 00 4a 00 00 00 46 01 03" + bytes)}, true));
  Association association;
  ASSERT_EQ(Connect(association, peer, {kVerification}), 1);
  EXPECT_EQ(association.SendMessage(1, command, kVerification, ImplicitLittleEndian), 1);
  association.Release();
  EXPECT_EQ(peer.Finish(), "");
}

// 4096 data bytes a PDU by default, whatever the peer announced (16384 here); with a maximum of
// our own, as much as both maxima allow after the 6 bytes of the PDV header.
TEST(AssociationTest, FragmentsOfAtMost4096UnlessAMaximumIsSet) {
  struct Case {
    std::size_t messageBytes;
    std::uint8_t control;
    std::vector<std::uint32_t> fragments;
    std::uint32_t maxSendPdu = 0;
  };
  for (const Case& c :
       {Case{10000, 0, {4096, 4096, 1808}}, Case{4096, 1, {4096}},
        Case{20000, 0, {8186, 8186, 3628}, 8192}, Case{20000, 0, {16378, 3622}, 131072}}) {
    DataSet dataSet;
    dataSet.InsertText(0x00100010, vr::LO, std::string(c.messageBytes - 8, 'x'));
    Peer peer(Established({{1, 0}}, Steps(c.fragments.size(), Peer::ExpectPdu(0x04))));
    Association association;
    association.SetMaxSendPdu(c.maxSendPdu);
    ASSERT_EQ(Connect(association, peer, {kVerification}), 1);
    ASSERT_EQ(association.SendMessage(c.control, dataSet, kVerification, ImplicitLittleEndian), 1);
    ASSERT_EQ(peer.Finish(), "");
    association.Socket().Close();

    const std::vector<std::uint8_t>& received = peer.Received();
    std::size_t at = 198;  // after the association request
    for (std::size_t i = 0; i < c.fragments.size(); ++i) {
      const std::uint32_t fragment = c.fragments[i];
      const int last = i + 1 == c.fragments.size() ? 2 : 0;
      EXPECT_EQ(ToHex(std::span(received).subspan(at, 12)),
                ToHex(FromHex("04 00" + Hex(fragment + 6, 4) + Hex(fragment + 2, 4) + "01" +
                              Hex(c.control | last, 1))))
          << c.messageBytes << " fragment " << i;
      at += 12 + fragment;
    }
    EXPECT_EQ(at, received.size());
  }
}

TEST(AssociationTest, UnwritableOrUnacceptedMessagesSendNothing) {
  Peer peer(Established({{1, 0}}, {}, true));  // FIND, context 3, is not accepted
  Association association;
  ASSERT_EQ(Connect(association, peer, {kVerification, kFind}), 1);
  DataSet dataSet;
  dataSet.InsertText(0x00100010, vr::PN, "Doe");
  EXPECT_EQ(association.SendMessage(0, dataSet, kFind, ImplicitLittleEndian), 0);
  EXPECT_EQ(association.SendMessage(0, dataSet, kMove, ImplicitLittleEndian), 0);
  EXPECT_EQ(association.SendMessage(0, dataSet, kVerification, ExplicitLittleEndian), 0);
  DataSet unwritable;
  unwritable.InsertRaw(0x00280010, vr::US, 3, std::make_unique<std::uint8_t[]>(3));
  EXPECT_EQ(association.SendMessage(0, unwritable, kVerification, ExplicitBigEndian), 0);
  EXPECT_TRUE(association.IsConnected());
  association.Release();
  EXPECT_EQ(peer.Finish(), "") << "nothing but the release followed the accept";
}

// Messages as they arrive in pieces, and ones that cannot be decoded but keep the association.
TEST(AssociationTest, ReceivedMessages) {
  const std::string first = "08 00 05 00 0a 00 00 00";
  const std::string second = AsciiHex("ISO_IR 100");
  const std::string big = "10 00 10 00 20 4e 00 00" + AsciiHex(std::string(20000, 'y'));
  struct Case {
    const char* name;
    Steps steps;
    std::vector<int> results;  // of the receives, in order
  };
  const Case cases[] = {
      {"one PDV", {Peer::Send(DataPdu({{1, 2, kMessage}}))}, {1}},
      {"over two PDUs",
       {Peer::Send(DataPdu({{1, 0, first}})), Peer::Send(DataPdu({{1, 2, second}}))},
       {1}},
      {"two PDVs in one PDU", {Peer::Send(DataPdu({{1, 0, first}, {1, 2, second}}))}, {1}},
      {"two messages in one PDU",
       {Peer::Send(DataPdu({{1, 3, kMessage}, {1, 2, kMessage}}))},
       {1, 1}},
      {"a byte at a time",
       {Peer::SendInPieces(DataPdu({{1, 0, first}, {1, 2, second}}), {1})},
       {1}},
      {"PDU above the proposed maximum", {Peer::Send(DataPdu({{1, 2, big}}))}, {1}},
      {"context never accepted, value too long, then a good one",
       {Peer::Send(DataPdu({{7, 2, kMessage}})),
        Peer::Send(DataPdu({{1, 2, "08 00 05 00 ff ff ff 7f"}})),
        Peer::Send(DataPdu({{1, 2, kMessage}}))},
       {0, 0, 1}},
  };
  for (const Case& c : cases) {
    Peer peer(Established({{1, 0}}, c.steps, true));
    Association association;
    ASSERT_EQ(Connect(association, peer, {kVerification}), 1) << c.name;
    DataSet received;
    for (std::size_t i = 0; i < c.results.size(); ++i) {
      ASSERT_EQ(association.ReceiveMessage(received), c.results[i]) << c.name << ", receive " << i;
      EXPECT_TRUE(association.IsConnected()) << c.name;
    }
    EXPECT_EQ(received.Size(), 1u) << c.name;
    if (received.Contains(0x00080005)) {
      EXPECT_EQ(received.GetText(0x00080005, vr::CS), "ISO_IR 100") << c.name << ": nothing leaked";
    }
    association.Release();
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

// Everything but a message ends the exchange, each with its reason; an A-ABORT goes out wherever
// this side ends it while the connection stands.
TEST(AssociationTest, WhatEndsAnExchange) {
  using End = AssociationEnd;
  const std::string_view unexpected = "07 00 00 00 00 04 00 00 02 02";
  const std::string_view unrecognized = "07 00 00 00 00 04 00 00 02 01";
  const std::string fragment = DataPdu({{1, 0, "08 00 05 00"}});
  struct Case {
    const char* name;
    Steps steps;
    End ended;
  };
  const Case cases[] = {
      {"associate request",
       {Peer::Send(Pdu(0x01, AssociateBody(UserInformation()))), Peer::Expect(unexpected)},
       End::ProtocolError},
      {"associate accept",
       {Peer::Send(Accept({{1, 0}})), Peer::Expect(unexpected)},
       End::ProtocolError},
      {"associate reject",
       {Peer::Send("03 00 00 00 00 04 00 01 01 01"), Peer::Expect(unexpected)},
       End::ProtocolError},
      {"release request is answered",
       {Peer::Send(kReleaseRq), Peer::Expect(kReleaseRp)},
       End::Released},
      {"release request cut inside its body",
       {Peer::Send("05 00 00 00 00 04 00 00"), Peer::Expect(kProviderAbort)},
       End::TimedOut},
      {"release response", {Peer::Send(kReleaseRp)}, End::ProtocolError},
      {"abort", {Peer::Send(kUserAbort)}, End::AbortedByPeer},
      {"unknown PDU type",
       {Peer::Send("08 00 00 00 00 00"), Peer::Expect(unrecognized)},
       End::ProtocolError},
      {"PDV length 0",
       {Peer::Send("04 00 00 00 00 06 00 00 00 00 01 02"), Peer::Expect(kProviderAbort)},
       End::ProtocolError},
      {"PDV length 1",
       {Peer::Send("04 00 00 00 00 06 00 00 00 01 01 02"), Peer::Expect(kProviderAbort)},
       End::ProtocolError},
      {"PDV length near 2^32",
       {Peer::Send("04 00 00 00 00 06 ff ff ff fe 01 02"), Peer::Expect(kProviderAbort)},
       End::ProtocolError},
      {"PDV reaching past its PDU",
       {Peer::Send("04 00 00 00 00 08 00 00 00 05 01 02 41 42"), Peer::Expect(kProviderAbort)},
       End::ProtocolError},
      {"message above the cap of 1 GiB",
       {Peer::Send("04 00 40 00 00 0a 40 00 00 06 01 00"), Peer::Expect(kProviderAbort)},
       End::ProtocolError},
      {"PDU length 0xFFFFFFFF, then silence",
       {Peer::Send("04 00 ff ff ff ff 00 00 00 06 01 00 08 00 05 00"),
        Peer::Expect(kProviderAbort)},
       End::TimedOut},
      {"fragments that never end",
       {Peer::Send(fragment + fragment), Peer::Expect(kProviderAbort)},
       End::TimedOut},
      {"silence until the time-out", {Peer::Expect(kProviderAbort)}, End::TimedOut},
      {"closed mid-PDU",
       {Peer::Send("04 00 00 00 00 20 00 00 00 1c 01 02 08 00"), Peer::Close()},
       End::ConnectionClosed},
      {"connection reset", {Peer::Abort()}, End::ConnectionClosed},
  };
  for (const Case& c : cases) {
    Steps steps = c.steps;
    steps.push_back(Peer::ExpectClosed());  // not reached after a reset
    Peer peer(Established({{1, 0}}, steps));
    Association association;
    association.Socket().SetReceiveTimeout(1);
    ASSERT_EQ(Connect(association, peer, {kVerification}), 1) << c.name;
    DataSet received;
    EXPECT_EQ(association.ReceiveMessage(received), 0) << c.name;
    EXPECT_FALSE(association.IsConnected()) << c.name;
    EXPECT_EQ(association.Ended(), c.ended) << c.name;
    EXPECT_EQ(association.Release(), 1) << c.name << ": an idle release sends nothing";
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

TEST(AssociationTest, DestructionReleases) {
  Peer peer(Established({{1, 0}},
                        {Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp), Peer::ExpectClosed()}));
  {
    Association association;
    ASSERT_EQ(Connect(association, peer, {kVerification}), 1);
  }
  EXPECT_EQ(peer.Finish(), "");
}

// The peer closes after every prefix of its answer: only the whole answer yields a message.
TEST(AssociationTest, PeerClosingAtEveryByte) {
  const std::vector<std::uint8_t> answer =
      FromHex(Accept({{1, 0}}) + DataPdu({{1, 0, "08 00 05 00"}}) +
              DataPdu({{1, 2, "0a 00 00 00" + AsciiHex("ISO_IR 100")}}));
  for (std::size_t cut = 0; cut <= answer.size(); ++cut) {
    Peer peer({Peer::ExpectPdu(0x01),
               Peer::Send(std::vector<std::uint8_t>(answer.begin(), answer.begin() + cut)),
               Peer::Close()});
    Association association;
    association.Socket().SetReceiveTimeout(5);
    const int established = Connect(association, peer, {kVerification});
    DataSet received;
    EXPECT_EQ(established ? association.ReceiveMessage(received) : 0, cut == answer.size() ? 1 : 0)
        << "cut at " << cut;
    association.Release();
    peer.Finish();
  }
}

}  // namespace
}  // namespace dicom
