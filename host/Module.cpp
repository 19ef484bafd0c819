#include "host/Module.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "net/Association.h"

namespace plugin {

std::uint32_t HookHandle = 0;
std::uint16_t LanguageCode = kLanguageEnglish;
char MessageCaption[kTextBuffer] = "DICOM";
Connection ConnectionSettings{};
QWidget* BrowserWindow = nullptr;
std::int32_t BrowserOpen = 0;
std::int32_t QueryBusy = 0;
CDicomProgressMan* CurrentProgress = nullptr;

namespace {

std::optional<dicom::Association> association;

}  // namespace

dicom::Association& SharedAssociation() {
  return *association;
}

void OpenSharedAssociation() {
  association.emplace();
}

void CloseSharedAssociation() {
  association.reset();
}

void CopyText(char (&buffer)[kTextBuffer], const char* text) {
  const std::size_t length = text == nullptr ? 0 : strnlen(text, kTextBuffer - 1);
  if (length > 0) std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

}  // namespace plugin
