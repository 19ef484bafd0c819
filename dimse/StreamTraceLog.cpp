#include "dimse/StreamTraceLog.h"

#include "data/DataSetDumper.h"

namespace dicom {

void StreamTraceLog::Connection(std::int32_t connection, const char* text) {
  out_ << '#' << connection << ": " << text << '\n' << std::flush;
}

void StreamTraceLog::OnStartListen(const std::string& port) {
  out_ << "Start listen port - " << port << '\n' << std::flush;
}

void StreamTraceLog::OnAcceptConnection(std::int32_t socket) {
  out_ << "Accept connection socket - #" << socket << '\n' << std::flush;
}

void StreamTraceLog::OnAcceptAssociation(std::int32_t connection) {
  Connection(connection, "Accept association");
}

void StreamTraceLog::OnRejectAssociation(std::int32_t connection, std::int32_t result,
                                         std::int32_t source, std::int32_t reason) {
  out_ << '#' << connection << ": Reject association - Result:" << result << ", Source:" << source
       << ", Reason:" << reason << '\n'
       << std::flush;
}

void StreamTraceLog::OnReleaseAssociation(std::int32_t connection) {
  Connection(connection, "Release association");
}

void StreamTraceLog::OnStartThread(std::int32_t connection) {
  Connection(connection, "Start thread");
}

void StreamTraceLog::OnExitThread(std::int32_t connection) {
  Connection(connection, "Exit thread");
}

void StreamTraceLog::OnReceived(std::int32_t connection, const DataSet& dataSet) {
  Connection(connection, "Received command/data");
  DataSetDumper(out_).Dump(dataSet);
  out_.flush();
}

void StreamTraceLog::OnTransmitted(std::int32_t connection, const DataSet& dataSet) {
  Connection(connection, "Transmitted command/data");
  DataSetDumper(out_).Dump(dataSet);
  out_.flush();
}

void StreamTraceLog::OnReceive(std::int32_t connection, const std::string& what) {
  out_ << '#' << connection << ": Receive " << what << '\n' << std::flush;
}

}  // namespace dicom
