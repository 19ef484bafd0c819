#include "imagehost/PluginLoader.h"

#include <dlfcn.h>

#include <QCoreApplication>

#include "platform/MessageBox.h"

bool PluginLoader::Load(const std::string& path, std::string& message) {
  Unload();
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    message = QCoreApplication::translate(
                  "PluginLoader",
                  "The plug-in %1 could not be loaded (%2). Query/Retrieve and Send are not "
                  "available.")
                  .arg(QString::fromLocal8Bit(path.c_str()), QString::fromLocal8Bit(dlerror()))
                  .toStdString();
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
  message = QCoreApplication::translate(
                "PluginLoader", "The plug-in %1 lacks %2; those functions are not available.")
                .arg(QString::fromLocal8Bit(path.c_str()), QString::fromStdString(missing))
                .toStdString();
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
      return QT_TRANSLATE_NOOP("PluginLoader", "The image was stored.");
    case -1:
      return QT_TRANSLATE_NOOP(
          "PluginLoader", "The file could not be read, or the duplicate check could not be sent.");
    case -2:
      return QT_TRANSLATE_NOOP(
          "PluginLoader",
          "No association could be established, or the duplicate check got no answer.");
    case -3:
      return QT_TRANSLATE_NOOP("PluginLoader", "The store request could not be sent.");
    case -4:
      return QT_TRANSLATE_NOOP("PluginLoader", "The archive did not answer the store request.");
    case -5:
      return QT_TRANSLATE_NOOP("PluginLoader",
                               "The archive already holds this image; nothing was stored.");
    default:
      return QT_TRANSLATE_NOOP("PluginLoader", "The plug-in answered with an unknown code.");
  }
}

SendResultMessage DescribeSendResult(int code, const QString& instanceNumber) {
  if (code == 0) {
    return {QCoreApplication::translate("PluginLoader", "The image was stored on the archive."),
            platform::kMbIconInformation};
  }
  if (code == -5 && !instanceNumber.isEmpty()) {
    return {QCoreApplication::translate("PluginLoader",
                                        "The archive already holds an image with Instance Number "
                                        "%1 in this series; nothing was stored.")
                .arg(instanceNumber),
            platform::kMbIconExclamation};
  }
  if (code == -5) {
    return {QCoreApplication::translate("PluginLoader", SendResultMeaning(code)),
            platform::kMbIconExclamation};
  }
  if (code < -5 || code > 0) {
    return {QCoreApplication::translate("PluginLoader",
                                        "The plug-in answered with the unknown code %1.")
                .arg(code),
            platform::kMbIconStop};
  }
  return {QCoreApplication::translate("PluginLoader", SendResultMeaning(code)),
          platform::kMbIconStop};
}
