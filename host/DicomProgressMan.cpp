#include "host/DicomProgressMan.h"

#include <QTimer>
#include <QWidget>

#include "host/Language.h"
#include "host/Module.h"
#include "net/IdleHook.h"
#include "platform/DialogTemplate.h"
#include "platform/OwnerWindow.h"

namespace {

constexpr unsigned kCancelText = 1045;
constexpr auto kCountInterval = std::chrono::milliseconds(250);

QWidget* Owner(QWidget* parent) {
  if (parent != nullptr) return parent;
  if (plugin::BrowserWindow != nullptr) return plugin::BrowserWindow;
  return platform::DefaultOwner();
}

}  // namespace

namespace plugin {

std::int32_t CancelPresses = 0;

}  // namespace plugin

CDicomProgressMan::CDicomProgressMan(unsigned templateId, QWidget* parent)
    : CVekProgressMan(templateId, Owner(parent)) {
  if (plugin::QueryBusy != 0) return;
  plugin::CurrentProgress = this;
  plugin::CancelPresses = 0;
  dicom::ResumeWaits();
}

CDicomProgressMan::~CDicomProgressMan() {
  // The current progress never outlives its object, even when it goes while the browser is busy.
  if (plugin::CurrentProgress == this) {
    plugin::CurrentProgress = nullptr;
    dicom::ResumeWaits();
  }
  if (plugin::QueryBusy != 0) return;
  if (plugin::BrowserWindow != nullptr) plugin::BrowserWindow->activateWindow();
}

// Every press interrupts the waits; the operation decides what a press means where it stands.
void CDicomProgressMan::OnCancelPressed() {
  if (plugin::CurrentProgress != this) return;
  ++plugin::CancelPresses;
  dicom::InterruptWaits();
}

void CDicomProgressMan::ShowCount(const char* text) {
  const auto now = std::chrono::steady_clock::now();
  if (now - countShown_ >= kCountInterval) {
    countShown_ = now;
    SetItemText(plugin::kProgressCount, text);
    return;
  }
  pendingCount_ = text;
  QWidget* window = Window();
  if (window == nullptr) return;
  // The timer is the window's, so it goes with the dialog, and with it the plug-in's code it
  // holds, which must not outlive the loaded library.
  if (countTimer_ == nullptr) {
    countTimer_ = new QTimer(window);
    countTimer_->setSingleShot(true);
    QObject::connect(countTimer_, &QTimer::timeout, countTimer_, [this] {
      countShown_ = std::chrono::steady_clock::now();
      SetItemText(plugin::kProgressCount, pendingCount_.c_str());
    });
  }
  if (!countTimer_->isActive()) {
    countTimer_->start(std::chrono::duration_cast<std::chrono::milliseconds>(kCountInterval -
                                                                             (now - countShown_)));
  }
}

namespace plugin {

void BeginProgressText(unsigned baseId) {
  if (CurrentProgress == nullptr || CurrentProgress->IsBegun()) return;
  CurrentProgress->SetItemText(platform::kIdCancel, LoadLocalizedString(kCancelText));
  const char* text = LoadLocalizedString(baseId);
  CurrentProgress->SetText(kProgressText, text);
  CurrentProgress->SetAnimationCtrl(kProgressAnimationControl, kProgressAnimation);
  CurrentProgress->BeginProgressDialog();
}

void ShowProgressCount(const char* text) {
  if (CurrentProgress != nullptr) CurrentProgress->ShowCount(text);
}

}  // namespace plugin
