#pragma once

#include <functional>
#include <string>

class QWidget;

namespace platform {

inline constexpr unsigned kMbOk = 0x0000;
inline constexpr unsigned kMbIconStop = 0x0010;
inline constexpr unsigned kMbIconExclamation = 0x0030;
inline constexpr unsigned kMbIconInformation = 0x0040;

// What a message box is asked to show; texts in code page 1252.
struct MessageBoxRequest {
  QWidget* owner;
  std::string text;
  std::string caption;
  unsigned flags;
};

// Shows a modal message box with one OK button and returns kIdOk once the user closed it. Without
// a GUI the caption and text go to standard error. Without an owner it takes DefaultOwner().
int MessageBox(QWidget* owner, const char* text, const char* caption, unsigned flags);
// The framework's standard message box: the application's name as caption, the default owner.
int FrameworkMessageBox(const char* text);

// Tests replace the message box so that nothing waits for a user; an empty handler restores it.
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace platform
