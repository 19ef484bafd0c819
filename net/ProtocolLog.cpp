#include "net/ProtocolLog.h"

namespace dicom {
namespace {

ProtocolTraceLog* traceLog = nullptr;
ProtocolErrorLog* errorLog = nullptr;

}  // namespace

ProtocolTraceLog* TraceLog() {
  return traceLog;
}
ProtocolErrorLog* ErrorLog() {
  return errorLog;
}
void InstallTraceLog(ProtocolTraceLog* log) {
  traceLog = log;
}
void InstallErrorLog(ProtocolErrorLog* log) {
  errorLog = log;
}

}  // namespace dicom
