#include "platform/Application.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>

namespace platform {

namespace {
int idleDepth = 0;
}  // namespace

bool HasGui() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void ProcessPaintAndTimers() {
  if (!HasGui()) return;
  ++idleDepth;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // Repaints arrive as posted update requests; deliver them now rather than at the next turn.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
  --idleDepth;
}

bool InIdleProcessing() {
  return idleDepth > 0;
}

}  // namespace platform
