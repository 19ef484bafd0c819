#pragma once

#include <QString>
#include <string>

// The plug-in library, loaded with dlopen at start and unloaded at exit. The host calls it only
// through its three exports; an export that is missing stays null and its menu item disabled.
class PluginLoader {
 public:
  using DicomRequestProc = int (*)(const char* host, const char* port, const char* callingAeTitle,
                                   const char* calledAeTitle);
  using IsDialogRequestOpenProc = int (*)();
  using SendDicomImageToServerProc = int (*)(const char* filePath, const char* host,
                                             const char* port, const char* callingAeTitle,
                                             const char* calledAeTitle, int unused,
                                             int checkDuplicate);

  PluginLoader() = default;
  PluginLoader(const PluginLoader&) = delete;
  PluginLoader& operator=(const PluginLoader&) = delete;
  ~PluginLoader() { Unload(); }

  // False, with a message for the user, when the library or one of its exports is missing; the
  // exports found are usable all the same.
  bool Load(const std::string& path, std::string& message);
  void Unload();

  DicomRequestProc dicomRequest = nullptr;
  IsDialogRequestOpenProc isDialogRequestOpen = nullptr;
  SendDicomImageToServerProc sendDicomImageToServer = nullptr;

 private:
  void* library_ = nullptr;
};

// What a result code of SendDicomImageToServer means, in English; translated in the context
// "PluginLoader" for the user.
const char* SendResultMeaning(int code);

// What the user is told of a result of SendDicomImageToServer, in the host's language, with the
// message box icon that says how it went: information when stored, a warning when the archive
// already holds the image (named by its Instance Number, when it has one), an error otherwise.
struct SendResultMessage {
  QString text;
  unsigned icon;
};
SendResultMessage DescribeSendResult(int code, const QString& instanceNumber);
