#pragma once

#include <cstddef>
#include <cstdint>

namespace dicom {
class Association;
}

class CDicomProgressMan;
class QWidget;

// The module-wide values of the loaded plug-in. They are touched only on the host's user-interface
// thread, from the exports, the help hook and the windows.
namespace plugin {

// Texts handed between operations live in buffers of this size: 259 characters and a NUL.
inline constexpr std::size_t kTextBuffer = 260;

struct Connection {
  char host[kTextBuffer];
  char port[kTextBuffer];
  char callingAeTitle[kTextBuffer];  // this system's; also the move destination
  char calledAeTitle[kTextBuffer];
};

inline constexpr int kLanguageGerman = 0;
inline constexpr int kLanguageEnglish = 1;
inline constexpr int kLanguageFrench = 2;

extern std::uint32_t HookHandle;
extern std::uint16_t LanguageCode;
extern char MessageCaption[kTextBuffer];
extern Connection ConnectionSettings;
// The browser's window while it exists: progress dialogs stay above it and give it the focus back.
extern QWidget* BrowserWindow;
extern std::int32_t BrowserOpen;
extern std::int32_t QueryBusy;
extern CDicomProgressMan* CurrentProgress;

// The browser's association, from the library's load (OpenSharedAssociation) to its unload
// (CloseSharedAssociation).
dicom::Association& SharedAssociation();
void OpenSharedAssociation();
void CloseSharedAssociation();

// Copies at most 259 characters of the text (nullptr reads as empty) into a text buffer.
void CopyText(char (&buffer)[kTextBuffer], const char* text);

}  // namespace plugin
