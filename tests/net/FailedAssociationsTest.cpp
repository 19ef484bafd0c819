// Thousands of associations that fail in every way a peer can make them fail, in one process:
// each must fail as it should, and none may leave memory behind.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <vector>

#include "net/Association.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/ScriptedPeer.h"

namespace dicom {
namespace {

using namespace testing_support;
using Peer = ScriptedPeer;

long ResidentPages() {
  long size = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return resident;
}

TEST(FailedAssociationsTest, ThousandsOfFailuresLeaveNothingBehind) {
  const std::vector<std::uint8_t> accept = FromHex(Accept({{1, 0}}));
  // Each answer with the type of the first PDU the requestor reads: garbage reads as 'G'. The
  // silent peer costs the receive time-out, so it comes once, before the memory is measured.
  const std::pair<Peer::Step, int> answers[] = {
      {Peer::Send("03 00 00 00 00 04 00 01 01 03"), AssociateRejectPdu::kType},
      {Peer::Send(kProviderAbort), AbortPdu::kType},
      {Peer::Send({accept.begin(), accept.begin() + accept.size() / 2}), AssociateAcceptPdu::kType},
      {Peer::Send(AsciiHex("GET / HTTP/1.1\r\n\r\n")), 'G'},
  };
  [[maybe_unused]] long afterFirstHundred = 0;
  for (int attempt = 0; attempt < 2000 && !HasFailure(); ++attempt) {
    SCOPED_TRACE("attempt " + std::to_string(attempt));
    const bool silent = attempt == 1;
    const auto& [answer, type] = answers[attempt % 4];
    Peer peer(
        {Peer::ExpectPdu(0x01), silent ? Peer::Wait(std::chrono::milliseconds(1500)) : answer});
    Association association;
    association.Socket().SetReceiveTimeout(1);
    Prepare(association);
    association.AddAbstractSyntax("1.2.840.10008.1.1");
    EXPECT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 0);
    EXPECT_FALSE(association.IsConnected());
    EXPECT_EQ(association.AnswerType(), silent ? 0 : type);
    if (type == AssociateRejectPdu::kType) {
      EXPECT_EQ(association.Rejection().result, AssociateRejectPdu::Permanent);
    }
    EXPECT_EQ(peer.Finish(), "");
    if (attempt == 99) afterFirstHundred = ResidentPages();
  }
#ifndef __SANITIZE_ADDRESS__
  // A few pages of allocator noise are allowed; the address sanitizer's quarantine grows the
  // resident set by design, and its leak check stands in for this one there.
  EXPECT_LE(ResidentPages() - afterFirstHundred, 8);
#endif
}

}  // namespace
}  // namespace dicom
