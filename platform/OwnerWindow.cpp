#include "platform/OwnerWindow.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "platform/Application.h"

namespace platform {

namespace {

QPointer<QWidget>& Host() {
  static QPointer<QWidget> host;
  return host;
}

}  // namespace

void SetHostWindow(QWidget* window) {
  Host() = window;
}

QWidget* HostWindow() {
  return Host().data();
}

// A popup or a tool tip may be active for a moment; the window behind it is the one meant.
QWidget* DefaultOwner() {
  if (!HasGui()) return nullptr;
  if (QWidget* active = QApplication::activeWindow()) {
    QWidget* window = active->window();
    const Qt::WindowType type = window->windowType();
    if (window->isVisible() && type != Qt::Popup && type != Qt::ToolTip) return window;
  }
  return HostWindow();
}

void CentreOnOwner(QWidget* window, const QWidget* owner) {
  if (window == nullptr) return;
  QRect area;
  if (owner != nullptr && owner->isVisible()) {
    area = owner->window()->frameGeometry();
  } else if (const QScreen* screen =
                 owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isEmpty()) return;
  QRect placed(QPoint(0, 0), window->frameGeometry().size());
  placed.moveCenter(area.center());
  window->move(placed.topLeft());
}

}  // namespace platform
