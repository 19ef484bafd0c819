#include "host/DicomProgressMan.h"

#include <QWidget>

#include "host/Language.h"
#include "host/Module.h"

CDicomProgressMan::CDicomProgressMan(unsigned templateId, QWidget* parent)
    : CVekProgressMan(templateId, parent) {
  if (plugin::QueryBusy == 0) plugin::CurrentProgress = this;
}

CDicomProgressMan::~CDicomProgressMan() {
  // The current progress never outlives its object, even when it goes while the browser is busy.
  if (plugin::CurrentProgress == this) plugin::CurrentProgress = nullptr;
  if (plugin::QueryBusy != 0) return;
  if (plugin::BrowserWindow != nullptr) plugin::BrowserWindow->activateWindow();
}

namespace plugin {

void BeginProgressText(unsigned baseId) {
  if (CurrentProgress == nullptr || CurrentProgress->IsBegun()) return;
  const char* text = LoadLocalizedString(baseId);
  CurrentProgress->SetText(kProgressText, text);
  CurrentProgress->SetAnimationCtrl(kProgressAnimationControl, kProgressAnimation);
  CurrentProgress->BeginProgressDialog();
}

}  // namespace plugin
