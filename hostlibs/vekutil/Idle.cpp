#include "hostlibs/vekutil/VekUtil.h"
#include "platform/Application.h"

extern "C" {

void sysProcessIdle(void) {
  platform::ProcessPaintAndTimers();
}

}  // extern "C"
