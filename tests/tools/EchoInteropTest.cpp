// `dicomnet echo` against scripted peers for every way an echo ends, and a closed port. Each
// failure must name its reason (a title the archive does not know is NetworkCommandsInteropTest's;
// real peers answer the echoes of TlsInteropTest and SelfTestInteropTest).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "support/ScriptedPeer.h"
#include "tools/ToolTests.h"

namespace {

using namespace testing_support;
using Script = ScriptedPeer;

CommandResult Echo(const std::string& port, const Args& options) {
  return Dicomnet(Args{"echo"} + options + Args{"127.0.0.1", port});
}

TEST(EchoInteropTest, SaysHowItEnded) {
  const auto echoResponse = [](std::uint16_t status) {
    return DataPdu({{1, 3,
                     CommandSet({CommandUi(0x0002, "1.2.840.10008.1.1"), CommandUs(0x0100, 0x8030),
                                 CommandUs(0x0120, 1), CommandUs(0x0800, 0x0101),
                                 CommandUs(0x0900, status)})}});
  };
  const struct {
    const char* name;
    std::vector<Script::Step> steps;
    std::string reason;
  } cases[] = {
      {"answered",
       Established({{1, 0}}, {Script::ExpectPdu(0x04), Script::Send(echoResponse(0))}, true),
       "echo OK: ANY-SCP at 127.0.0.1:PORT answered DICOMNET"},
      {"rejected by the peer's association service",
       {Script::ExpectPdu(0x01), Script::Send("03 00 00 00 00 04 00 02 02 02"),
        Script::ExpectClosed()},
       "association rejected (transient) by the peer's association service: protocol version not "
       "supported"},
      {"Verification refused",
       {Script::ExpectPdu(0x01), Script::Send(Accept({{1, 3}})), Script::ExpectClosed()},
       "the peer accepted none of the proposed presentation contexts"},
      {"no answer to the request",
       {Script::ExpectPdu(0x01), Script::ExpectClosed()},
       "time-out: 127.0.0.1:PORT said nothing for 1 s after the association request"},
      {"garbage instead of the response",
       Established({{1, 0}}, {Script::ExpectPdu(0x04), Script::Send("09 00 00 00 00 00"),
                              Script::Expect("07 00 00 00 00 04 00 00 02 01")}),
       "no C-ECHO response: the peer sent a PDU that made no sense here; association aborted "
       "(service provider, unrecognized PDU)"},
      {"failure status",
       Established({{1, 0}}, {Script::ExpectPdu(0x04), Script::Send(echoResponse(0x0211))}, true),
       "the peer answered with status 0x0211"},
  };
  for (const auto& c : cases) {
    Script peer(c.steps);
    const CommandResult result = Echo(peer.PortText(), {"--timeout", "1"});
    std::string reason = c.reason;
    if (const std::size_t at = reason.find("PORT"); at != std::string::npos)
      reason.replace(at, 4, peer.PortText());
    const bool ok = reason.starts_with("echo OK");
    EXPECT_EQ(result.status, ok ? 0 : 1) << c.name;
    EXPECT_EQ(ok ? result.out : result.err, (ok ? "" : "dicomnet echo: ") + reason + "\n")
        << c.name;
    EXPECT_EQ(peer.Finish(), "") << c.name;
  }

  const std::string closed = std::to_string(FreePort());
  const CommandResult refused = Echo(closed, {});
  EXPECT_EQ(refused.err, "dicomnet echo: connection refused by 127.0.0.1:" + closed + "\n");
  EXPECT_EQ(refused.status, 1);
}

}  // namespace
