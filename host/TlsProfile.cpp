#include "host/TlsProfile.h"

#include <string>

#include "host/Module.h"
#include "net/TcpSocket.h"
#include "platform/OsServices.h"

namespace plugin {
namespace {

std::string ProfileText(const char* key) {
  char value[kTextBuffer];
  platform::GetProfileString("dicom", key, "", value, sizeof value);
  return value;
}

}  // namespace

void ApplyTlsProfile(dicom::TcpSocket& socket) {
  if (platform::GetProfileInt("dicom", "useTls", 0) != 1) {
    socket.UsePlain();
    return;
  }
  dicom::TlsConfig config;
  config.caFile = ProfileText("tlsCaFile");
  config.certFile = ProfileText("tlsCertFile");
  config.keyFile = ProfileText("tlsKeyFile");
  socket.UseTls(config);
}

}  // namespace plugin
