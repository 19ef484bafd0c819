#pragma once

#include <ostream>

#include "net/ProtocolLog.h"

namespace dicom {

// Writes one line per failure event to a text stream, flushed at once.
class StreamErrorLog : public ProtocolErrorLog {
 public:
  explicit StreamErrorLog(std::ostream& out) : out_(out) {}

  void OnListenFailed(const std::string& port) override;
  void OnAcceptFailed(const std::string& port) override;
  void OnStartThreadFailed(std::int32_t connection) override;
  void OnDispatchFailed(std::int32_t connection) override;
  void OnReadFailed(std::int32_t connection) override;
  void OnWriteFailed(std::int32_t connection) override;
  void OnReceiveUnexpected(std::int32_t connection, const std::string& what) override;
  void OnProtocolError(std::int32_t connection) override;
  void OnTimeOut(std::int32_t connection) override;
  void OnConnectionClosed(std::int32_t connection) override;

 private:
  void Connection(std::int32_t connection, const char* text);

  std::ostream& out_;
};

}  // namespace dicom
