#pragma once

#include <cstdint>
#include <string>

#include "data/DataSet.h"

namespace dicom {

// Sinks for protocol events: normal events on the trace log, failures on the error log. The
// association raises four of them; the rest belong to an acceptor and are never raised here.
class ProtocolTraceLog {
 public:
  virtual ~ProtocolTraceLog() = default;
  virtual void OnStartListen(const std::string& port) = 0;
  virtual void OnAcceptConnection(std::int32_t socket) = 0;
  virtual void OnAcceptAssociation(std::int32_t connection) = 0;
  virtual void OnRejectAssociation(std::int32_t connection, std::int32_t result,
                                   std::int32_t source, std::int32_t reason) = 0;
  virtual void OnReleaseAssociation(std::int32_t connection) = 0;
  virtual void OnStartThread(std::int32_t connection) = 0;
  virtual void OnExitThread(std::int32_t connection) = 0;
  virtual void OnReceived(std::int32_t connection, const DataSet& dataSet) = 0;
  virtual void OnTransmitted(std::int32_t connection, const DataSet& dataSet) = 0;
  virtual void OnReceive(std::int32_t connection, const std::string& what) = 0;
};

class ProtocolErrorLog {
 public:
  virtual ~ProtocolErrorLog() = default;
  virtual void OnListenFailed(const std::string& port) = 0;
  virtual void OnAcceptFailed(const std::string& port) = 0;
  virtual void OnStartThreadFailed(std::int32_t connection) = 0;
  virtual void OnDispatchFailed(std::int32_t connection) = 0;
  virtual void OnReadFailed(std::int32_t connection) = 0;
  virtual void OnWriteFailed(std::int32_t connection) = 0;
  virtual void OnReceiveUnexpected(std::int32_t connection, const std::string& what) = 0;
  virtual void OnProtocolError(std::int32_t connection) = 0;
  virtual void OnTimeOut(std::int32_t connection) = 0;
  virtual void OnConnectionClosed(std::int32_t connection) = 0;
};

// The two process-wide slots; empty until a caller installs a sink, and never owning it.
ProtocolTraceLog* TraceLog();
ProtocolErrorLog* ErrorLog();
void InstallTraceLog(ProtocolTraceLog* log);
void InstallErrorLog(ProtocolErrorLog* log);

}  // namespace dicom
