#include "hostlibs/vekutil/VekProgressMan.h"

#include "platform/AnimationControl.h"
#include "platform/Application.h"
#include "platform/Dialog.h"

// The dialog tells its manager of the user's Cancel instead of hiding.
class CVekProgressMan::Frame : public platform::Dialog {
 public:
  Frame(CVekProgressMan& owner, unsigned templateId, QWidget* parent)
      : Dialog(templateId, parent), owner_(owner) {}

 protected:
  void OnCancel() override { owner_.OnCancelPressed(); }

 private:
  CVekProgressMan& owner_;
};

namespace {

void PlayAnimation(platform::Dialog& dialog, int controlId, unsigned animationId) {
  if (platform::AnimationControl* control = dialog.AnimationItem(controlId))
    control->Open(animationId);
}

}  // namespace

CVekProgressMan::CVekProgressMan(unsigned templateId, QWidget* parent)
    : templateId_(templateId), parent_(parent) {}

CVekProgressMan::~CVekProgressMan() {
  gate_.reset();
  if (dialog_ && dialog_->HasWindow()) dialog_->DestroyWindow();
}

void CVekProgressMan::SetText(int controlId, const char* text) {
  textControl_ = controlId;
  text_ = text != nullptr ? text : "";
  if (dialog_ && dialog_->HasWindow()) dialog_->SetItemText(textControl_, text_.c_str());
}

void CVekProgressMan::SetItemText(int controlId, const char* text) {
  std::string& kept = itemTexts_[controlId];
  kept = text != nullptr ? text : "";
  if (dialog_ && dialog_->HasWindow()) dialog_->SetItemText(controlId, kept.c_str());
}

void CVekProgressMan::SetAnimationCtrl(int controlId, unsigned animationId) {
  animationControl_ = controlId;
  animation_ = animationId;
  if (dialog_ && dialog_->HasWindow()) PlayAnimation(*dialog_, animationControl_, animation_);
}

// Without a GUI there is nothing to show; that is no failure to the caller, who only wants the
// work to go on.
int CVekProgressMan::BeginProgressDialog() {
  begun_ = true;
  if (!platform::HasGui()) return 1;
  if (!dialog_) dialog_ = std::make_unique<Frame>(*this, templateId_, parent_);
  if (!dialog_->HasWindow() && !dialog_->Create()) return 0;
  if (textControl_ != 0) dialog_->SetItemText(textControl_, text_.c_str());
  for (const auto& [id, text] : itemTexts_)
    dialog_->SetItemText(id, text.c_str());
  if (animationControl_ != 0) PlayAnimation(*dialog_, animationControl_, animation_);
  dialog_->Show();
  dialog_->BringToTop();
  if (!gate_) gate_.emplace(dialog_->Window());
  // The caller blocks right after this, so the window has to be painted now to be seen at all.
  platform::ProcessPaintAndTimers();
  return 1;
}

QWidget* CVekProgressMan::Window() const {
  return dialog_ && dialog_->HasWindow() ? dialog_->Window() : nullptr;
}
