#include "imagehost/PluginLoader.h"

#include <dlfcn.h>

bool PluginLoader::Load(const std::string& path, std::string& message) {
  Unload();
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    message = "The plug-in " + path + " could not be loaded (" + dlerror() +
              "). Query/Retrieve and Send are not available.";
    return false;
  }
  std::string missing;
  const auto find = [&](const char* name) {
    void* symbol = dlsym(library_, name);
    if (symbol == nullptr) missing += missing.empty() ? name : std::string(", ") + name;
    return symbol;
  };
  dicomRequest = reinterpret_cast<DicomRequestProc>(find("DicomRequest"));
  isDialogRequestOpen = reinterpret_cast<IsDialogRequestOpenProc>(find("IsDialogRequestOpen"));
  sendDicomImageToServer =
      reinterpret_cast<SendDicomImageToServerProc>(find("SendDicomImageToServer"));
  if (missing.empty()) return true;
  message = "The plug-in " + path + " lacks " + missing + "; those functions are not available.";
  return false;
}

void PluginLoader::Unload() {
  dicomRequest = nullptr;
  isDialogRequestOpen = nullptr;
  sendDicomImageToServer = nullptr;
  if (library_ != nullptr) dlclose(library_);
  library_ = nullptr;
}

const char* SendResultMeaning(int code) {
  switch (code) {
    case 0:
      return "The image was stored.";
    case -1:
      return "The file could not be read, or the duplicate check could not be sent.";
    case -2:
      return "No association could be established, or the duplicate check got no answer.";
    case -3:
      return "The store request could not be sent.";
    case -4:
      return "The archive did not answer the store request.";
    case -5:
      return "The archive already holds this image; nothing was stored.";
    default:
      return "The plug-in answered with an unknown code.";
  }
}
