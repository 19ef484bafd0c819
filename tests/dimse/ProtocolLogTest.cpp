#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "data/DataSetDumper.h"
#include "dimse/CFindScu.h"
#include "dimse/CMoveScu.h"
#include "dimse/CommandTags.h"
#include "dimse/ProtocolLog.h"
#include "dimse/StreamErrorLog.h"
#include "dimse/StreamTraceLog.h"
#include "net/Association.h"
#include "net/IdCounter.h"
#include "support/PduFixtures.h"
#include "support/ScriptedPeer.h"

namespace dicom {
namespace {

using testing_support::CommandSet;
using testing_support::CommandUi;
using testing_support::CommandUs;
using testing_support::DataPdu;
using testing_support::Established;
using testing_support::kReleaseRp;
using testing_support::kReleaseRq;
using testing_support::Prepare;
using testing_support::ScriptedPeer;

// Keeps written text apart from flushed text, so that a test sees only what was flushed.
class FlushRecorder : public std::streambuf {
 public:
  const std::string& Flushed() const { return flushed_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    return count;
  }
  int sync() override {
    flushed_ += pending_;
    pending_.clear();
    return 0;
  }

 private:
  std::string pending_;
  std::string flushed_;
};

// A small command set and its listing.
DataSet PendingFindResponse() {
  DataSet command;
  command.InsertUS(kCommandFieldTag, 0x8020);
  command.InsertUS(kStatusTag, 0xFF00);
  return command;
}
constexpr const char* kPendingFindListing =
    "(0000,0100),US,2,CommandField\t8020 \n"
    "(0000,0900),US,2,Status\tff00 \n";

TEST(ProtocolLogTest, EveryEventWritesOneFlushedEntry) {
  struct Case {
    const char* name;
    std::function<void(ProtocolTraceLog&, ProtocolErrorLog&)> raise;
    std::string text;
  };
  const DataSet command = PendingFindResponse();
  const Case cases[] = {
      {"start listen", [](auto& t, auto&) { t.OnStartListen("104"); }, "Start listen port - 104\n"},
      {"accept connection", [](auto& t, auto&) { t.OnAcceptConnection(5); },
       "Accept connection socket - #5\n"},
      {"accept association", [](auto& t, auto&) { t.OnAcceptAssociation(7); },
       "#7: Accept association\n"},
      {"reject association", [](auto& t, auto&) { t.OnRejectAssociation(7, 1, 2, 3); },
       "#7: Reject association - Result:1, Source:2, Reason:3\n"},
      {"release association", [](auto& t, auto&) { t.OnReleaseAssociation(7); },
       "#7: Release association\n"},
      {"start thread", [](auto& t, auto&) { t.OnStartThread(12); }, "#12: Start thread\n"},
      {"exit thread", [](auto& t, auto&) { t.OnExitThread(12); }, "#12: Exit thread\n"},
      {"received", [&](auto& t, auto&) { t.OnReceived(7, command); },
       std::string("#7: Received command/data\n") + kPendingFindListing},
      {"transmitted", [&](auto& t, auto&) { t.OnTransmitted(7, command); },
       std::string("#7: Transmitted command/data\n") + kPendingFindListing},
      {"transmitted empty data set", [](auto& t, auto&) { t.OnTransmitted(0, DataSet()); },
       "#0: Transmitted command/data\n"},
      {"receive", [](auto& t, auto&) { t.OnReceive(7, "A-RELEASE-RQ"); },
       "#7: Receive A-RELEASE-RQ\n"},
      {"listen failed", [](auto&, auto& e) { e.OnListenFailed("104"); },
       "Listen port 104failed!\n"},
      {"accept failed", [](auto&, auto& e) { e.OnAcceptFailed("104"); },
       "Accept connection on port 104failed!\n"},
      {"start thread failed", [](auto&, auto& e) { e.OnStartThreadFailed(7); },
       "#7: Start thread failed!\n"},
      {"dispatch failed", [](auto&, auto& e) { e.OnDispatchFailed(7); },
       "#7: Dispatch command failed!\n"},
      {"read failed", [](auto&, auto& e) { e.OnReadFailed(7); },
       "#7: Reading Command/Data failed!\n"},
      {"write failed", [](auto&, auto& e) { e.OnWriteFailed(7); },
       "#7: Writing Command/Data failed!\n"},
      {"receive unexpected", [](auto&, auto& e) { e.OnReceiveUnexpected(7, "A-ASSOCIATE-RQ"); },
       "#7: Receive unexpected A-ASSOCIATE-RQ\n"},
      {"protocol error", [](auto&, auto& e) { e.OnProtocolError(7); }, "#7: Protocol Error!\n"},
      {"time-out", [](auto&, auto& e) { e.OnTimeOut(7); }, "#7: Run into Time Out!\n"},
      {"connection closed", [](auto&, auto& e) { e.OnConnectionClosed(-1); },
       "#-1: TCP connection has been closed!\n"},
  };
  for (const Case& c : cases) {
    FlushRecorder traceBuffer;
    FlushRecorder errorBuffer;
    std::ostream traceOut(&traceBuffer);
    std::ostream errorOut(&errorBuffer);
    StreamTraceLog trace(traceOut);
    StreamErrorLog error(errorOut);
    c.raise(trace, error);
    EXPECT_EQ(traceBuffer.Flushed() + errorBuffer.Flushed(), c.text) << c.name;
    EXPECT_TRUE(traceBuffer.Flushed().empty() || errorBuffer.Flushed().empty())
        << c.name << ": one event, one sink";
  }
}

TEST(ProtocolLogTest, MessageEventsListTheDataSetAsTheDumperDoes) {
  DataSet item;
  item.InsertText(0x00081150, vr::UI, "1.2.840.10008.5.1.4.1.1.2");
  item.InsertText(0x00081155, vr::UI, "1.2.3");
  DataSet dataSet;
  dataSet.InsertText(0x00080052, vr::CS, "STUDY");
  dataSet.InsertSequence(0x00081199, {std::make_shared<DataSet>(item)});
  dataSet.InsertUS(0x00280010, 512);
  std::ostringstream listing;
  DataSetDumper(listing, DefaultDumpFormat).Dump(dataSet);
  ASSERT_FALSE(listing.str().empty());

  struct Case {
    const char* name;
    void (ProtocolTraceLog::*raise)(std::int32_t, const DataSet&);
    const char* header;
  };
  for (const Case& c :
       {Case{"received", &ProtocolTraceLog::OnReceived, "Received command/data"},
        Case{"transmitted", &ProtocolTraceLog::OnTransmitted, "Transmitted command/data"}}) {
    FlushRecorder buffer;
    std::ostream out(&buffer);
    StreamTraceLog trace(out);
    (trace.*c.raise)(9, dataSet);
    EXPECT_EQ(buffer.Flushed(), "#9: " + std::string(c.header) + "\n" + listing.str()) << c.name;
  }
}

// Sinks on text streams, installed in both slots for the life of the object (or in the chosen
// ones), and always uninstalled at its end.
class InstalledLogs {
 public:
  explicit InstalledLogs(bool installTrace = true, bool installError = true) {
    if (installTrace) InstallTraceLog(&trace_);
    if (installError) InstallErrorLog(&error_);
  }
  ~InstalledLogs() {
    InstallTraceLog(nullptr);
    InstallErrorLog(nullptr);
  }
  InstalledLogs(const InstalledLogs&) = delete;
  InstalledLogs& operator=(const InstalledLogs&) = delete;

  std::string Trace() const { return traceText_.str(); }
  std::string Errors() const { return errorText_.str(); }

 private:
  std::ostringstream traceText_;
  std::ostringstream errorText_;
  StreamTraceLog trace_{traceText_};
  StreamErrorLog error_{errorText_};
};

constexpr std::uint16_t kMessageId = 21;

std::string FindRsp(std::uint16_t status, std::uint16_t dataSetType) {
  return CommandSet({
      CommandUi(0x0002, kStudyRootFindSopClass),  // Affected SOP Class UID
      CommandUs(0x0100, 0x8020),                  // C-FIND-RSP
      CommandUs(0x0120, kMessageId),              // Message ID Being Responded To
      CommandUs(0x0800, dataSetType),             // Data Set Type
      CommandUs(0x0900, status),                  // Status
  });
}

// (0010,0020) LO Patient ID "PAT001"
const std::string kMatch = "10 00 20 00 06 00 00 00 50 41 54 30 30 31";

// One exchange on an association that proposed FIND (context 1) and MOVE (context 3) and got only
// FIND accepted: a query and its two responses, a move that cannot be sent, and two messages that
// cannot be decoded in between.
struct Exchange {
  std::vector<ScriptedPeer::Step> Script() const {
    return Established(
        {{1, 0}, {3, 3}},
        {
            ScriptedPeer::ExpectPdu(0x04),  // C-FIND-RQ
            ScriptedPeer::ExpectPdu(0x04),  // identifier
            ScriptedPeer::Send(DataPdu({{1, 3, FindRsp(0xFF00, 0x0102)}, {1, 2, kMatch}})),
            ScriptedPeer::Send(DataPdu({{7, 3, FindRsp(0x0000, 0x0101)}})),  // never accepted
            // (0000,0900) with a value length of 40,000,001
            ScriptedPeer::Send(DataPdu({{1, 3, "00 00 00 09 01 5a 62 02"}})),
            ScriptedPeer::Send(DataPdu({{1, 3, FindRsp(0x0000, 0x0101)}})),
            ScriptedPeer::Expect(kReleaseRq),
            ScriptedPeer::Send(kReleaseRp),
        });
  }

  // Runs the exchange; the connection number while connected.
  int Run(ScriptedPeer& peer) const {
    Association association;
    Prepare(association);
    association.AddAbstractSyntax(kStudyRootFindSopClass);
    association.AddAbstractSyntax(kStudyRootMoveSopClass);
    EXPECT_EQ(association.Request("127.0.0.1", peer.PortText().c_str()), 1);
    const int connection = association.Socket().Handle();
    EXPECT_GT(connection, 0);
    SetIdCounter(kMessageId - 1);

    DataSet identifier;
    identifier.InsertText(0x00080052, vr::CS, "STUDY");
    identifier.InsertText(0x00100020, vr::LO, "PAT001");
    const CFindScu find(kStudyRootFindSopClass);
    EXPECT_TRUE(find.SendRequest(association, identifier, kPriorityMedium));
    std::uint16_t status = 0;
    DataSet match;
    EXPECT_TRUE(find.ReceiveResponse(status, match, association));
    EXPECT_FALSE(CMoveScu(kStudyRootMoveSopClass)
                     .SendRequest(association, "ARCHIVE", identifier, kPriorityMedium));
    DataSet unreadable;
    EXPECT_EQ(association.ReceiveMessage(unreadable), 0);
    EXPECT_EQ(association.ReceiveMessage(unreadable), 0);
    EXPECT_TRUE(find.ReceiveResponse(status, match, association));
    EXPECT_EQ(status, kStatusSuccess);
    EXPECT_EQ(association.Socket().Handle(), connection);
    association.Release();
    return connection;
  }

  std::string Trace(int connection) const {
    const std::string n = "#" + std::to_string(connection) + ": ";
    return n + "Transmitted command/data\n" +
           "(0000,0002),UI,28,AffectedSOPClassUID\t\"1.2.840.10008.5.1.4.1.2.2.1\"\n"
           "(0000,0100),US,2,CommandField\t0020 \n"
           "(0000,0110),US,2,MessageID\t0015 \n"
           "(0000,0700),US,2,Priority\t0000 \n"
           "(0000,0800),US,2,DataSetType\t0102 \n" +
           n + "Transmitted command/data\n" +
           "(0008,0052),CS,6,Query/RetrieveLevel\t\"STUDY \"\n"
           "(0010,0020),LO,6,PatientID\t\"PAT001\"\n" +
           n + "Received command/data\n" +
           "(0000,0002),UI,28,AffectedSOPClassUID\t\"1.2.840.10008.5.1.4.1.2.2.1\"\n"
           "(0000,0100),US,2,CommandField\t8020 \n"
           "(0000,0120),US,2,MessageIDBeingRespondedTo\t0015 \n"
           "(0000,0800),US,2,DataSetType\t0102 \n"
           "(0000,0900),US,2,Status\tff00 \n" +
           n + "Received command/data\n" + "(0010,0020),LO,6,PatientID\t\"PAT001\"\n" + n +
           "Received command/data\n" +
           "(0000,0002),UI,28,AffectedSOPClassUID\t\"1.2.840.10008.5.1.4.1.2.2.1\"\n"
           "(0000,0100),US,2,CommandField\t8020 \n"
           "(0000,0120),US,2,MessageIDBeingRespondedTo\t0015 \n"
           "(0000,0800),US,2,DataSetType\t0101 \n"
           "(0000,0900),US,2,Status\t0000 \n";
  }

  std::string Errors(int connection) const {
    const std::string n = "#" + std::to_string(connection) + ": ";
    return n + "Writing Command/Data failed!\n" +  // the C-MOVE-RQ, on no accepted context
           n + "Reading Command/Data failed!\n" +  // on context 7
           n + "Reading Command/Data failed!\n";   // the value too long
  }
};

TEST(ProtocolLogTest, ExchangeEventsReachTheInstalledSinks) {
  struct Case {
    const char* name;
    bool trace;
    bool error;
  };
  const Exchange exchange;
  for (const Case& c : {Case{"both", true, true}, Case{"trace only", true, false},
                        Case{"errors only", false, true}, Case{"neither", false, false}}) {
    InstalledLogs logs(c.trace, c.error);
    EXPECT_EQ(TraceLog() != nullptr, c.trace) << c.name;
    EXPECT_EQ(ErrorLog() != nullptr, c.error) << c.name;
    ScriptedPeer peer(exchange.Script());
    const int connection = exchange.Run(peer);
    EXPECT_EQ(peer.Finish(), "") << c.name;
    EXPECT_EQ(logs.Trace(), c.trace ? exchange.Trace(connection) : "") << c.name;
    EXPECT_EQ(logs.Errors(), c.error ? exchange.Errors(connection) : "") << c.name;
  }
  EXPECT_EQ(TraceLog(), nullptr);
  EXPECT_EQ(ErrorLog(), nullptr);
}

TEST(ProtocolLogTest, UninstalledSinksHearNothing) {
  std::ostringstream traceText;
  std::ostringstream errorText;
  StreamTraceLog trace(traceText);
  StreamErrorLog error(errorText);
  InstallTraceLog(&trace);
  InstallErrorLog(&error);
  InstallTraceLog(nullptr);
  InstallErrorLog(nullptr);
  const Exchange exchange;
  ScriptedPeer peer(exchange.Script());
  exchange.Run(peer);
  EXPECT_EQ(peer.Finish(), "");
  EXPECT_EQ(traceText.str(), "");
  EXPECT_EQ(errorText.str(), "");
}

}  // namespace
}  // namespace dicom
