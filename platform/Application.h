#pragma once

class QWidget;

namespace platform {

// True in a process that runs a QApplication. Without one every user-interface operation of the
// dialog layer is a harmless no-op, so that a command-line program can use what stands on it.
bool HasGui();

// Lets the application paint and run its timers, but takes no user input: a blocking network
// wait calls this between its slices, so that windows repaint and animations play while no input
// can re-enter the caller. Nested calls are allowed; InIdleProcessing tells whether one runs.
void ProcessPaintAndTimers();
bool InIdleProcessing();

}  // namespace platform
