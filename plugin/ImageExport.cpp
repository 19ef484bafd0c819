#include "export/SendImage.h"
#include "plugin/Export.h"

PLUGIN_EXPORT int SendDicomImageToServer(const char* filePath, const char* host, const char* port,
                                         const char* callingAeTitle, const char* calledAeTitle,
                                         int /*unused*/, int checkDuplicate) {
  return plugin::SendImage(filePath, host, port, callingAeTitle, calledAeTitle, checkDuplicate);
}
