#pragma once

#include <QObject>
#include <QTimer>
#include <string>
#include <vector>

// Runs macro lines from the event loop, one a tick, so that a line can act on a window that the
// previous one opened. A line never starts while the previous one is still running (a nested
// event loop comes back here), while a plug-in call waits on the network (the idle processing
// runs our timer), or while a posted user action has not started. Each command's output goes
// to standard output; the first failing line is reported on standard error and ends the
// program with 1; after the last line it ends with 0, unless it is to stay.
class MacroRunner : public QObject {
  Q_OBJECT

 public:
  MacroRunner(std::vector<std::string> lines, bool stay);
  void Start();
  // Ends the run and the program with 0, as quit() does.
  void Quit();

 private:
  void Tick();
  void Finish(int exitCode);

  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  bool running_ = false;
  bool finished_ = false;
  bool stay_;
  QTimer timer_;
};
