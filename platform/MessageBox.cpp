#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>

#include "platform/Ansi.h"
#include "platform/Application.h"
#include "platform/DialogTemplate.h"
#include "platform/OwnerWindow.h"

namespace platform {

namespace {

// The icon is one value in these bits, as on the home platform.
constexpr unsigned kMbIconMask = 0x00F0;

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & kMbIconMask) {
    case kMbIconStop:
      return QMessageBox::Critical;
    case kMbIconExclamation:
      return QMessageBox::Warning;
    case kMbIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

int MessageBox(QWidget* owner, const char* text, const char* caption, unsigned flags) {
  // A box without an owner belongs to the window the user works in, so that it shows above it.
  const MessageBoxRequest request{owner != nullptr ? owner : DefaultOwner(),
                                  text != nullptr ? text : "", caption != nullptr ? caption : "",
                                  flags};
  if (Handler()) return Handler()(request);
  if (!HasGui()) {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return kIdOk;
  }
  QMessageBox box(request.owner);
  // The host's macros find the box by its title, so it is exactly the caption.
  box.setWindowTitle(FromAnsi(request.caption));
  box.setText(FromAnsi(request.text));
  box.setTextFormat(Qt::PlainText);
  box.setIcon(IconOf(flags));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return kIdOk;
}

int FrameworkMessageBox(const char* text) {
  QString name = QCoreApplication::applicationName();
  if (name.isEmpty()) name = QStringLiteral("imagehost");
  return MessageBox(nullptr, text, ToAnsi(name).c_str(), kMbOk);
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  Handler() = std::move(handler);
}

}  // namespace platform
