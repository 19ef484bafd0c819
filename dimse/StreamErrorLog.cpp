#include "dimse/StreamErrorLog.h"

namespace dicom {

void StreamErrorLog::Connection(std::int32_t connection, const char* text) {
  out_ << '#' << connection << ": " << text << '\n' << std::flush;
}

// The port runs straight into "failed!", as these lines have always read.
void StreamErrorLog::OnListenFailed(const std::string& port) {
  out_ << "Listen port " << port << "failed!\n" << std::flush;
}

void StreamErrorLog::OnAcceptFailed(const std::string& port) {
  out_ << "Accept connection on port " << port << "failed!\n" << std::flush;
}

void StreamErrorLog::OnStartThreadFailed(std::int32_t connection) {
  Connection(connection, "Start thread failed!");
}

void StreamErrorLog::OnDispatchFailed(std::int32_t connection) {
  Connection(connection, "Dispatch command failed!");
}

void StreamErrorLog::OnReadFailed(std::int32_t connection) {
  Connection(connection, "Reading Command/Data failed!");
}

void StreamErrorLog::OnWriteFailed(std::int32_t connection) {
  Connection(connection, "Writing Command/Data failed!");
}

void StreamErrorLog::OnReceiveUnexpected(std::int32_t connection, const std::string& what) {
  out_ << '#' << connection << ": Receive unexpected " << what << '\n' << std::flush;
}

void StreamErrorLog::OnProtocolError(std::int32_t connection) {
  Connection(connection, "Protocol Error!");
}

void StreamErrorLog::OnTimeOut(std::int32_t connection) {
  Connection(connection, "Run into Time Out!");
}

void StreamErrorLog::OnConnectionClosed(std::int32_t connection) {
  Connection(connection, "TCP connection has been closed!");
}

}  // namespace dicom
