#pragma once

#include <ostream>

#include "net/ProtocolLog.h"

namespace dicom {

// Writes one line per event to a text stream, and after a message line the listing of the
// command set or data set; flushes after each event.
class StreamTraceLog : public ProtocolTraceLog {
 public:
  explicit StreamTraceLog(std::ostream& out) : out_(out) {}

  void OnStartListen(const std::string& port) override;
  void OnAcceptConnection(std::int32_t socket) override;
  void OnAcceptAssociation(std::int32_t connection) override;
  void OnRejectAssociation(std::int32_t connection, std::int32_t result, std::int32_t source,
                           std::int32_t reason) override;
  void OnReleaseAssociation(std::int32_t connection) override;
  void OnStartThread(std::int32_t connection) override;
  void OnExitThread(std::int32_t connection) override;
  void OnReceived(std::int32_t connection, const DataSet& dataSet) override;
  void OnTransmitted(std::int32_t connection, const DataSet& dataSet) override;
  void OnReceive(std::int32_t connection, const std::string& what) override;

 private:
  void Connection(std::int32_t connection, const char* text);

  std::ostream& out_;
};

}  // namespace dicom
