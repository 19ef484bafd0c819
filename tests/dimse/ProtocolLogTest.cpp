#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "dimse/CommandTags.h"
#include "dimse/StreamErrorLog.h"
#include "dimse/StreamTraceLog.h"
#include "net/Association.h"
#include "net/ProtocolLog.h"
#include "support/PduFixtures.h"

namespace dicom {
namespace {

using namespace testing_support;
using Peer = ScriptedPeer;

// Keeps written text apart from flushed text, so that a test sees only what was flushed.
class FlushRecorder : public std::streambuf {
 public:
  const std::string& Flushed() const { return flushed_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  int sync() override {
    flushed_ += std::exchange(pending_, {});
    return 0;
  }

 private:
  std::string pending_;
  std::string flushed_;
};

DataSet PendingFindResponse() {
  DataSet command;
  command.InsertUS(kCommandFieldTag, 0x8020);
  command.InsertUS(kStatusTag, 0xFF00);
  return command;
}
const std::string kPendingFindListing =
    "(0000,0100),US,2,CommandField\t8020 \n"
    "(0000,0900),US,2,Status\tff00 \n";

// A few events of each log, one of each form: each writes one flushed entry to its own stream.
TEST(ProtocolLogTest, EveryEventWritesOneFlushedEntry) {
  const DataSet command = PendingFindResponse();
  using Raise = std::function<void(ProtocolTraceLog&, ProtocolErrorLog&)>;
  const std::pair<Raise, std::string> cases[] = {
      {[](auto& t, auto&) { t.OnStartListen("104"); }, "Start listen port - 104\n"},
      {[&](auto& t, auto&) { t.OnReceived(7, command); },
       "#7: Received command/data\n" + kPendingFindListing},
      {[](auto&, auto& e) { e.OnListenFailed("104"); }, "Listen port 104failed!\n"},
  };
  for (const auto& [raise, text] : cases) {
    FlushRecorder traceBuffer;
    FlushRecorder errorBuffer;
    std::ostream traceOut(&traceBuffer);
    std::ostream errorOut(&errorBuffer);
    StreamTraceLog trace(traceOut);
    StreamErrorLog error(errorOut);
    raise(trace, error);
    EXPECT_EQ(traceBuffer.Flushed() + errorBuffer.Flushed(), text);
    EXPECT_TRUE(traceBuffer.Flushed().empty() || errorBuffer.Flushed().empty()) << text;
  }
}

// FIND (context 1) accepted, MOVE (context 3) refused: one message leaves and one cannot, one
// arrives and one on context 7 cannot be read.
TEST(ProtocolLogTest, TheAssociationRaisesFourEvents) {
  std::ostringstream traceText;
  std::ostringstream errorText;
  StreamTraceLog trace(traceText);
  StreamErrorLog error(errorText);
  InstallTraceLog(&trace);
  InstallErrorLog(&error);
  const std::string command = CommandUs(0x0100, 0x8020) + CommandUs(0x0900, 0xFF00);
  Peer peer(Established({{1, 0}, {3, 3}},
                        {Peer::ExpectPdu(0x04), Peer::Send(DataPdu({{1, 3, command}})),
                         Peer::Send(DataPdu({{7, 3, command}}))},
                        true));
  Association association;
  EXPECT_EQ(Connect(association, peer, {kStudyRootFindSopClass, kStudyRootMoveSopClass}), 1);
  const std::string n = "#" + std::to_string(association.Socket().Handle()) + ": ";
  const DataSet sent = PendingFindResponse();
  EXPECT_EQ(association.SendMessage(3, sent, kStudyRootFindSopClass, ImplicitLittleEndian), 1);
  EXPECT_EQ(association.SendMessage(3, sent, kStudyRootMoveSopClass, ImplicitLittleEndian), 0);
  DataSet received;
  EXPECT_EQ(association.ReceiveMessage(received), 1);
  EXPECT_EQ(association.ReceiveMessage(received), 0);
  association.Release();
  InstallTraceLog(nullptr);
  InstallErrorLog(nullptr);
  EXPECT_EQ(peer.Finish(), "");
  EXPECT_EQ(traceText.str(), n + "Transmitted command/data\n" + kPendingFindListing + n +
                                 "Received command/data\n" + kPendingFindListing);
  EXPECT_EQ(errorText.str(),
            n + "Writing Command/Data failed!\n" + n + "Reading Command/Data failed!\n");
}

}  // namespace
}  // namespace dicom
