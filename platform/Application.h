#pragma once

#include <QPointer>
#include <QWidget>

namespace platform {

// True in a process that runs a QApplication. Without one every user-interface operation of the
// dialog layer is a harmless no-op, so that a command-line program can use what stands on it.
bool HasGui();

// Lets the application paint and run its timers, but takes no user input: a blocking network
// wait calls this between its slices, so that windows repaint and animations play while no input
// can re-enter the caller. While an InputGate stands, input is taken too, and the gate lets only
// its window have it. Nested calls are allowed; InIdleProcessing tells whether one runs.
void ProcessPaintAndTimers();
bool InIdleProcessing();

// While it stands, user input (mouse, keys, wheel, touch) goes only to its window: what the user
// does to any other window is dropped, never delivered later. A blocked caller's progress window
// stands one, so that its Cancel can be pressed while nothing else re-enters the caller. Gates
// nest; the innermost one counts.
class InputGate {
 public:
  explicit InputGate(QWidget* window);
  ~InputGate();
  InputGate(const InputGate&) = delete;
  InputGate& operator=(const InputGate&) = delete;

 private:
  bool active_ = false;
  QPointer<QWidget> outer_;
};

}  // namespace platform
