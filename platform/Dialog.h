#pragma once

#include <QRect>
#include <Qt>
#include <memory>
#include <string>

#include "platform/DialogTemplate.h"
#include "platform/DialogUnits.h"
#include "platform/Notification.h"

class QDialog;
class QWidget;

namespace platform {

class AnimationControl;
class DatePicker;
class ListView;

// Window size types passed to OnSize.
inline constexpr int kSizeRestored = 0;
inline constexpr int kSizeMinimized = 1;
inline constexpr int kSizeMaximized = 2;

// A dialog built from a registered template, modeless (Create) or modal (DoModal). Derived
// dialogs override the hooks; commands and notifications arrive by control id.
//
// Every control is a child widget whose objectName is its decimal id. Sizes come from the
// template's dialog units with the base units of the dialog font actually used, so that a layout
// made for an 8-point font keeps its texts unclipped with the fonts at hand.
//
// Routing: a click on button 1 (or Enter on the default button) calls OnOK, on button 2 (or Esc,
// or the close box) OnCancel; every other button, check box or radio button click calls
// OnCommand(id); list views and date pickers call OnNotify(id, notification). Key presses in the
// dialog or any of its controls pass PreTranslateKeyDown first.
class Dialog {
 public:
  Dialog(unsigned templateId, QWidget* parent);
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  // Takes down a window that still exists; OnDestroy and PostNcDestroy do not run, as the derived
  // parts are already gone.
  virtual ~Dialog();

  // Modeless: builds the window, runs DoDataExchange and OnInitDialog and shows it when the
  // template says visible. False when the template is missing or the process has no GUI.
  bool Create();
  // Modal: builds the window, runs it until EndDialog and destroys it; the EndDialog code (kIdOk
  // from OnOK, kIdCancel from OnCancel), or 0 when the window could not be created.
  int DoModal();
  // Runs OnDestroy, takes the window down, then runs PostNcDestroy (which may delete this).
  void DestroyWindow();
  bool HasWindow() const;
  QWidget* Window() const;
  unsigned TemplateId() const { return templateId_; }
  void Show();
  void BringToTop();
  // Modal: ends the run with the code. Modeless: hides the window.
  void EndDialog(int result);

  // Controls, found by id; nullptr when the dialog has no such control (or no window).
  QWidget* Item(int id) const;
  ListView* ListViewItem(int id) const;
  DatePicker* DatePickerItem(int id) const;
  AnimationControl* AnimationItem(int id) const;
  // Texts in code page 1252.
  void SetItemText(int id, const char* text);
  int GetItemText(int id, char* buffer, int size) const;
  std::string ItemText(int id) const;
  void EnableItem(int id, bool enable);
  bool IsItemEnabled(int id) const;
  // Checks checkId and clears every other radio button with an id from firstId to lastId.
  void CheckRadioButton(int firstId, int lastId, int checkId);
  void CheckButton(int id, bool checked);
  bool IsButtonChecked(int id) const;
  void SetItemFocus(int id);
  // The client area, and a control's rectangle in client coordinates, in pixels.
  QRect ClientRect() const;
  QRect ItemRect(int id) const;
  void MoveItem(int id, const QRect& rect);
  BaseUnits Units() const;

 protected:
  virtual void DoDataExchange() {}
  // Return true to let the framework place the focus on the first control.
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(kIdOk); }
  virtual void OnCancel() { EndDialog(kIdCancel); }
  virtual void OnDestroy() {}
  virtual void PostNcDestroy() {}
  virtual void OnSize(int /*type*/, int /*cx*/, int /*cy*/) {}
  // True when the key is consumed and must not reach the control.
  virtual bool PreTranslateKeyDown(int /*key*/, Qt::KeyboardModifiers /*modifiers*/) {
    return false;
  }
  virtual void OnCommand(int /*id*/) {}
  virtual void OnNotify(int /*id*/, const Notification& /*notification*/) {}

 private:
  class Frame;
  friend class Frame;
  bool Build(bool modal);

  unsigned templateId_;
  QWidget* parent_;
  const DialogTemplate* template_ = nullptr;
  QDialog* window_ = nullptr;
  bool modal_ = false;
};

}  // namespace platform
