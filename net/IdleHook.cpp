#include "net/IdleHook.h"

namespace dicom {
namespace {

IdleHook idleHook = nullptr;

}  // namespace

void SetIdleHook(IdleHook hook) {
  idleHook = hook;
}

IdleHook CurrentIdleHook() {
  return idleHook;
}

}  // namespace dicom
