#include "platform/Application.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {

int idleDepth = 0;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
      return true;
    default:
      return false;
  }
}

// The application-wide filter of the gates: input reaches the gate's window, and a modal window
// or popup opened above it (a message box the blocked caller shows), and nothing else.
class GateFilter : public QObject {
 public:
  QPointer<QWidget> window;

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (!IsUserInput(event->type())) return false;
    const QWidget* open[] = {window, QApplication::activeModalWidget(),
                             QApplication::activePopupWidget()};
    for (const QWidget* allowed : open) {
      if (allowed == nullptr) continue;
      if (receiver->isWidgetType() && static_cast<QWidget*>(receiver)->window() == allowed)
        return false;
      if (receiver->isWindowType() && static_cast<QWindow*>(receiver) == allowed->windowHandle())
        return false;
    }
    return receiver->isWidgetType() || receiver->isWindowType();
  }
};

GateFilter* gate = nullptr;
int gateDepth = 0;

}  // namespace

bool HasGui() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void ProcessPaintAndTimers() {
  if (!HasGui()) return;
  ++idleDepth;
  QCoreApplication::processEvents(gate != nullptr ? QEventLoop::AllEvents
                                                  : QEventLoop::ExcludeUserInputEvents);
  // Repaints arrive as posted update requests; deliver them now rather than at the next turn.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
  --idleDepth;
}

bool InIdleProcessing() {
  return idleDepth > 0;
}

InputGate::InputGate(QWidget* window) {
  if (!HasGui()) return;
  active_ = true;
  if (gate == nullptr) {
    gate = new GateFilter;
    QCoreApplication::instance()->installEventFilter(gate);
  }
  ++gateDepth;
  outer_ = gate->window;
  gate->window = window;
}

InputGate::~InputGate() {
  if (!active_ || gate == nullptr) return;
  gate->window = outer_;
  if (--gateDepth > 0) return;
  delete gate;
  gate = nullptr;
}

}  // namespace platform
