#include "platform/WaitCursor.h"

#include <QApplication>

#include "platform/Application.h"

namespace platform {

namespace {

WaitCursorHandler& Handler() {
  static WaitCursorHandler handler;
  return handler;
}

}  // namespace

WaitCursor::WaitCursor() {
  if (Handler()) {
    Handler()(true);
  } else if (HasGui()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

WaitCursor::~WaitCursor() {
  if (Handler()) {
    Handler()(false);
  } else if (HasGui()) {
    QApplication::restoreOverrideCursor();
  }
}

void SetWaitCursorHandler(WaitCursorHandler handler) {
  Handler() = std::move(handler);
}

}  // namespace platform
