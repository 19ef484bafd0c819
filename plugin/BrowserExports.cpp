#include <new>

#include "browser/HostLists.h"
#include "browser/Request.h"
#include "host/Language.h"
#include "host/Module.h"
#include "net/Association.h"
#include "platform/MessageBox.h"
#include "plugin/Export.h"

namespace {

constexpr unsigned kCaptionString = 1002;

}  // namespace

PLUGIN_EXPORT int DicomRequest(const char* host, const char* port, const char* callingAeTitle,
                               const char* calledAeTitle) {
  using namespace plugin;
  if (Browser != nullptr) {
    // The open browser keeps the settings it was opened with.
    Browser->BringToTop();
    Browser->Show();
    return 1;
  }
  QueryHostLanguage();
  CopyText(MessageCaption, LoadLocalizedString(kCaptionString));
  CopyText(ConnectionSettings.host, host);
  CopyText(ConnectionSettings.port, port);
  CopyText(ConnectionSettings.callingAeTitle, callingAeTitle);
  CopyText(ConnectionSettings.calledAeTitle, calledAeTitle);
  if (SharedAssociation().IsConnected()) SharedAssociation().Release();

  auto* browser = new (std::nothrow) CRequest();
  if (browser == nullptr) {
    platform::FrameworkMessageBox("Error Creating Dialog Object");
    return 0;
  }
  if (!browser->Create()) {
    platform::FrameworkMessageBox("Error creating Dialog");
    delete browser;
    return 0;
  }
  Browser = browser;
  BrowserOpen = 1;
  browser->Show();
  DestroyHostLists();
  return 1;
}

PLUGIN_EXPORT int IsDialogRequestOpen() {
  return plugin::BrowserOpen;
}
