#include <sys/stat.h>

#include "hostlibs/vekutil/VekUtil.h"

extern "C" {

int sysExistsPath(const char* path) {
  if (path == nullptr || path[0] == '\0') return 0;
  struct stat status {};
  return stat(path, &status) == 0 ? 1 : 0;
}

}  // extern "C"
