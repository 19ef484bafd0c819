#include "imagehost/MacroRunner.h"

#include <QCoreApplication>
#include <cstdio>

#include "hostlibs/vekbase/Macro.h"
#include "imagehost/MacroCommands.h"
#include "platform/Application.h"

namespace {

constexpr int kTickMilliseconds = 10;

}  // namespace

MacroRunner::MacroRunner(std::vector<std::string> lines, bool stay)
    : lines_(std::move(lines)), stay_(stay) {
  timer_.setInterval(kTickMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &MacroRunner::Tick);
}

void MacroRunner::Start() {
  timer_.start();
}

void MacroRunner::Quit() {
  Finish(0);
}

void MacroRunner::Tick() {
  if (finished_ || running_ || platform::InIdleProcessing() ||
      MacroCommands::PendingUserActions() > 0) {
    return;
  }
  if (next_ == lines_.size()) {
    if (stay_) {
      finished_ = true;
      timer_.stop();
    } else {
      Finish(0);
    }
    return;
  }
  const std::size_t number = ++next_;
  const std::string& line = lines_[number - 1];
  std::string output;
  std::string error;
  running_ = true;
  const int result = vekbase::RunMacroLine(line, output, error);
  running_ = false;
  if (!output.empty()) {
    if (output.back() != '\n') output += '\n';
    // Line by line, so that a reader of the pipe sees each result as it comes.
    for (std::size_t start = 0; start < output.size();) {
      const std::size_t end = output.find('\n', start) + 1;
      std::fwrite(output.data() + start, 1, end - start, stdout);
      std::fflush(stdout);
      start = end;
    }
  }
  if (result == -1 && !finished_) {
    std::fprintf(stderr, "line %zu: %s: %s\n", number, line.c_str(),
                 error.empty() ? "failed" : error.c_str());
    std::fflush(stderr);
    Finish(1);
  }
}

void MacroRunner::Finish(int exitCode) {
  if (finished_) return;
  finished_ = true;
  timer_.stop();
  QCoreApplication::exit(exitCode);
}
