#include <gtest/gtest.h>

#include "net/Association.h"
#include "net/IdCounter.h"
#include "net/pdu/AssociateRequestPdu.h"
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

// The browser's request, byte for byte: its three syntaxes in order, a repeated one proposed once.
TEST(AssociationTest, BrowserRequestIsByteExact) {
  const std::string contexts = Proposal(1, kVerification) + Proposal(3, kFind) + Proposal(5, kMove);
  Peer peer({Peer::Expect(Pdu(0x01, AssociateBody(contexts + UserInformation()))),
             Peer::Send(Accept({{1, 0}, {3, 0}, {5, 0}})), Peer::Expect(kReleaseRq),
             Peer::Send(kReleaseRp), Peer::ExpectClosed()});
  Association association;
  ASSERT_EQ(Connect(association, peer, {kVerification, kFind, kMove, kFind}), 1);
  EXPECT_EQ(association.Release(), 1);
  EXPECT_FALSE(association.IsConnected());
  EXPECT_EQ(peer.Finish(), "");

  // Context ids wrap from 255 to 1; repeated syntaxes are proposed once; a long title is cut.
  SetIdCounter(254);
  association.SetCalledTitle("TWENTY_CHARACTERS_AE");
  Peer wrapped(Established({{255, 0}}, {}, true));
  ASSERT_EQ(association.Request("127.0.0.1", wrapped.PortText().c_str()), 1);
  EXPECT_EQ(association.RequestPdu().CalledTitle(), "TWENTY_CHARACTER");
  EXPECT_EQ(association.RequestPdu().presentationContexts[0].id, 255);
  EXPECT_EQ(association.RequestPdu().presentationContexts[1].id, 1);
  association.Release();
  EXPECT_EQ(wrapped.Finish(), "");

  // Each request starts from nothing: without a syntax no connection, and no accepted context
  // of the last association is kept.
  association.ClearAbstractSyntaxes();
  EXPECT_EQ(association.Request("127.0.0.1", "1"), 0);
  EXPECT_EQ(association.Socket().LastError(), 0) << "no abstract syntax, no connection";
  association.AddAbstractSyntax(kVerification);
  Prepare(association);
  Peer refusing(Established({{1, 3}}, {Peer::ExpectClosed()}));
  EXPECT_EQ(association.Request("127.0.0.1", refusing.PortText().c_str()), 0);
  EXPECT_TRUE(association.AcceptedContexts().empty());
  EXPECT_EQ(refusing.Finish(), "");
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
  const std::string titles = AsciiHex("ARCHIVE         DICOMNET        ");
  const auto send = [](const std::string& hex) { return Peer::Send(hex); };
  const auto withUser = [&](const std::string& items) {
    return Accept({{1, 0}}, ImplicitSyntax(), user(items));
  };
  struct Case {
    const char* name;
    Peer::Step answer;
    std::vector<int> accepted;  // empty: no association
    End ended = End::None;
  };
  // The AC is taken as the peer gives it: ids, transfer syntaxes and sub-items are not checked.
  // An answer that is none ends with the connection closed without an A-ABORT.
  const Case cases[] = {
      // clang-format off
      {"only the second accepted", send(Accept({{1, 3}, {3, 0}, {5, 4}})), {3}},
      {"none accepted", send(Accept({{1, 3}, {3, 2}, {5, 4}})), {}, End::NoContextAccepted},
      {"unknown user sub-item skips the rest of the item",
       send(withUser(Item(0x58, "00 01 00 01") + Item(0x51, "00 00 10 00"))), {1}},
      {"implementation class UID of 65000 bytes: its first 64 kept",
       send(withUser(Item(0x52, AsciiHex(std::string(65000, '1'))))), {1}},
      {"unknown item between contexts keeps the first", send(Pdu(0x02, body(titles, context(1) +
       Item(0x77, "01 02") + context(3) + UserInformation()))), {1}},
      {"titles are opaque", send(Pdu(0x02, body(odd, context(1) + UserInformation()))), {1}},
      {"context never proposed, even id", send(Accept({{1, 0}, {7, 0}, {2, 0}})), {1, 7, 2}},
      {"maximum length sub-item of 2 bytes read as 4", send(Accept({{1, 0}}, ImplicitSyntax(),
       Item(0x50, "51 00 00 02 00 00 40 00 52 00 00 01 31"))), {1}},
      {"sub-item reaching past the PDU", send(Accept({{1, 0}}, ImplicitSyntax(),
       "50 00 00 0c 51 00 00 04 00 00 40 00 52 00 00 40")), {}, End::BadAnswer},
      {"item reaching past the PDU", send(Pdu(0x02, body(titles, context(1) + "50 00 01 00"))), {},
       End::BadAnswer},
      {"shorter than its fixed part", send("02 00 00 00 00 04 00 01 00 00"), {}, End::BadAnswer},
      {"5 MB refused unread", send("02 00 00 4c 4b 40 00 01 00 00"), {}, End::BadAnswer},
      {"P-DATA-TF instead of an answer", send(DataPdu({{1, 3, kMessage}})), {}, End::BadAnswer},
      {"reject with fields out of range", send("03 00 00 00 00 04 00 09 07 c8"), {}, End::Rejected},
      {"abort instead of accept", send("07 00 00 00 00 04 00 00 00 05"), {}, End::AbortedByPeer},
      {"closed before answering", Peer::Close(), {}, End::ConnectionClosed},
      {"silent until the time-out", Peer::Wait(std::chrono::milliseconds(0)), {}, End::TimedOut},
      // clang-format on
  };
  for (const Case& c : cases) {
    const bool established = !c.accepted.empty();
    Steps steps{Peer::ExpectPdu(0x01), c.answer};
    if (established) steps.insert(steps.end(), {Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp)});
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

// 4096 data bytes a PDU by default, whatever the peer announced (16384 unless said); with a
// maximum of our own, as much as both maxima allow after the 6 bytes of the PDV header; following
// the peer, at most 131072 (the store tool's test covers what it announced, and 0).
TEST(AssociationTest, FragmentsOfAtMost4096UnlessAMaximumIsSetOrThePeerFollowed) {
  constexpr std::uint32_t kFollow = 1;
  struct Case {
    std::size_t messageBytes;
    std::uint8_t control;
    std::vector<std::uint32_t> fragments;
    std::uint32_t maxSendPdu = 0;
    std::uint32_t peerMaximum = 16384;
  };
  for (const Case& c :
       {Case{10000, 0, {4096, 4096, 1808}}, Case{4096, 1, {4096}},
        Case{20000, 0, {8186, 8186, 3628}, 8192}, Case{20000, 0, {16378, 3622}, 131072},
        Case{140000, 0, {131066, 8934}, kFollow, 1 << 20}}) {
    DataSet dataSet;
    dataSet.InsertText(0x00100010, vr::LO, std::string(c.messageBytes - 8, 'x'));
    Steps steps{Peer::ExpectPdu(0x01),
                Peer::Send(Accept({{1, 0}}, ImplicitSyntax(),
                                  Item(0x50, Item(0x51, Hex(c.peerMaximum, 4)))))};
    steps.resize(2 + c.fragments.size(), Peer::ExpectPdu(0x04));
    Peer peer(steps);
    Association association;
    if (c.maxSendPdu == kFollow) {
      association.FollowPeerMaximum();
    } else {
      association.SetMaxSendPdu(c.maxSendPdu);
    }
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
      {"over two PDUs",
       {Peer::Send(DataPdu({{1, 0, first}})), Peer::Send(DataPdu({{1, 2, second}}))},
       {1}},
      {"two messages in one PDU",
       {Peer::Send(DataPdu({{1, 3, kMessage}, {1, 2, kMessage}}))},
       {1, 1}},
      {"a byte at a time",
       {Peer::SendInPieces(DataPdu({{1, 0, first}, {1, 2, second}}), {1})},
       {1}},
      {"PDU above the proposed maximum", {Peer::Send(DataPdu({{1, 2, big}}))}, {1}},
      {"context never accepted, value longer than its message, then a good one",
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
  // The peer sends the bytes and expects this side's answer.
  const auto answered = [](const char* name, std::string_view sent, std::string_view answer,
                           End ended = End::ProtocolError) {
    return Case{name, {Peer::Send(sent), Peer::Expect(answer)}, ended};
  };
  const std::string_view abort = kProviderAbort;
  const Case cases[] = {
      // clang-format off
      answered("associate request", Pdu(0x01, AssociateBody(UserInformation())), unexpected),
      answered("release request is answered", kReleaseRq, kReleaseRp, End::Released),
      {"release response", {Peer::Send(kReleaseRp)}, End::Released},
      {"abort", {Peer::Send(kUserAbort)}, End::AbortedByPeer},
      answered("unknown PDU type", "08 00 00 00 00 00", unrecognized),
      answered("PDV length 0", "04 00 00 00 00 06 00 00 00 00 01 02", abort),
      answered("PDV length near 2^32", "04 00 00 00 00 06 ff ff ff fe 01 02", abort),
      answered("message above the cap of 1 GiB", "04 00 40 00 00 0a 40 00 00 06 01 00", abort),
      answered("PDU length 0xFFFFFFFF, then silence",
               "04 00 ff ff ff ff 00 00 00 06 01 00 08 00 05 00", abort, End::TimedOut),
      answered("fragments that never end", fragment + fragment, abort, End::TimedOut),
      {"silence until the time-out", {Peer::Expect(kProviderAbort)}, End::TimedOut},
      {"closed mid-PDU", {Peer::Send("04 00 00 00 00 20 00 00 00 1c 01 02 08 00"), Peer::Close()},
       End::ConnectionClosed},
      {"connection reset", {Peer::Abort()}, End::ConnectionClosed},
      // clang-format on
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

// What an archive does to an association left idle is found before the next exchange, without a
// wait, so that the caller sets up a new association instead of failing once on the dead one.
TEST(AssociationTest, WhatTheArchiveDidWhileIdle) {
  using End = AssociationEnd;
  struct Case {
    const char* name;
    Steps steps;
    bool stillConnected;
    End ended;
  };
  const Case cases[] = {
      {"nothing", {Peer::Expect(kReleaseRq), Peer::Send(kReleaseRp)}, true, End::Released},
      {"closed", {Peer::Close()}, false, End::ConnectionClosed},
      {"released", {Peer::Send(kReleaseRq), Peer::Expect(kReleaseRp)}, false, End::Released},
      {"aborted", {Peer::Send(kUserAbort)}, false, End::AbortedByPeer},
      {"a message unasked for",
       {Peer::Send(DataPdu({{1, 3, kMessage}})), Peer::Expect("07 00 00 00 00 04 00 00 02 02")},
       false,
       End::ProtocolError},
  };
  for (const Case& c : cases) {
    Steps steps = c.steps;
    steps.push_back(Peer::ExpectClosed());
    Peer peer(Established({{1, 0}}, steps));
    Association association;
    association.Socket().SetReceiveTimeout(1);
    ASSERT_EQ(Connect(association, peer, {kVerification}), 1) << c.name;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(association.StillConnected(), c.stillConnected) << c.name;
    association.Release();
    EXPECT_EQ(association.Ended(), c.ended) << c.name;
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }
}

}  // namespace
}  // namespace dicom
