#pragma once

#include <memory>
#include <string>

class QWidget;
namespace platform {
class Dialog;
}

// The host's progress dialog: set its text and animation, then begin it. It is modeless, so the
// caller goes on working while it shows; the destructor takes it down. Without a GUI nothing is
// shown, and the begun flag still follows BeginProgressDialog.
class CVekProgressMan {
 public:
  CVekProgressMan(unsigned templateId, QWidget* parent);
  virtual ~CVekProgressMan();
  CVekProgressMan(const CVekProgressMan&) = delete;
  CVekProgressMan& operator=(const CVekProgressMan&) = delete;

  // Text in code page 1252.
  void SetText(int controlId, const char* text);
  void SetAnimationCtrl(int controlId, unsigned animationId);
  int BeginProgressDialog();
  bool IsBegun() const { return begun_; }
  // The progress window, while it shows.
  QWidget* Window() const;

 private:
  unsigned templateId_;
  QWidget* parent_;
  int textControl_ = 0;
  std::string text_;
  int animationControl_ = 0;
  unsigned animation_ = 0;
  bool begun_ = false;
  std::unique_ptr<platform::Dialog> dialog_;
};
