#include "net/IdleHook.h"

namespace dicom {
namespace {

IdleHook idleHook = nullptr;
bool interrupted = false;

}  // namespace

void SetIdleHook(IdleHook hook) {
  idleHook = hook;
}

IdleHook CurrentIdleHook() {
  return idleHook;
}

void InterruptWaits() {
  interrupted = true;
}

void ResumeWaits() {
  interrupted = false;
}

bool WaitsInterrupted() {
  return interrupted;
}

}  // namespace dicom
