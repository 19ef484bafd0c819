#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Application.h"

class QWidget;
namespace platform {
class Dialog;
}

// The host's progress dialog: set its text and animation, then begin it. It is modeless, so the
// caller goes on working while it shows; the destructor takes it down. Without a GUI nothing is
// shown, and the begun flag still follows BeginProgressDialog.
//
// Made with a parent, it is that window's own: it stays above it and is centred on it. While it
// shows, the user's input goes to it alone (input to other windows is dropped), so that its Cancel
// button (id 2), Esc and its close box reach OnCancelPressed while the caller waits.
class CVekProgressMan {
 public:
  CVekProgressMan(unsigned templateId, QWidget* parent);
  virtual ~CVekProgressMan();
  CVekProgressMan(const CVekProgressMan&) = delete;
  CVekProgressMan& operator=(const CVekProgressMan&) = delete;

  // Text in code page 1252.
  void SetText(int controlId, const char* text);
  // Any other control's text (a second line, the Cancel button's caption), shown as soon as the
  // dialog is, and changed at once while it shows.
  void SetItemText(int controlId, const char* text);
  void SetAnimationCtrl(int controlId, unsigned animationId);
  int BeginProgressDialog();
  bool IsBegun() const { return begun_; }
  // The progress window, while it shows.
  QWidget* Window() const;

 protected:
  // The user pressed Cancel, Esc or the close box; the dialog stays until it is destroyed.
  virtual void OnCancelPressed() {}

 private:
  class Frame;

  unsigned templateId_;
  QWidget* parent_;
  int textControl_ = 0;
  std::string text_;
  std::map<int, std::string> itemTexts_;
  int animationControl_ = 0;
  unsigned animation_ = 0;
  bool begun_ = false;
  std::unique_ptr<Frame> dialog_;
  std::optional<platform::InputGate> gate_;
};
