#pragma once

#include <QPointer>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <string>

#include "hostlibs/vekutil/VekProgressMan.h"

// The host's progress dialog around each network operation. Only one is current at a time: one
// made while QueryBusy is set (an operation nested in the browser's own) neither becomes current
// nor shows, so the user sees the outer operation's text for the whole of it.
//
// Made without a parent, it belongs to the browser while the browser is open, else to the window
// the user works in, and stays above it. Its Cancel (the button, Esc, the close box) interrupts
// the socket waits of the operation: the operation finds its wait interrupted and cancels or
// aborts, reading CancelPresses to know how often the user asked.
class CDicomProgressMan : public CVekProgressMan {
 public:
  CDicomProgressMan(unsigned templateId, QWidget* parent);
  ~CDicomProgressMan() override;

  // The second line; one given less than a quarter of a second after the last shows when the
  // quarter is over (the last one given, if several).
  void ShowCount(const char* text);

 protected:
  void OnCancelPressed() override;

 private:
  std::chrono::steady_clock::time_point countShown_{};
  std::string pendingCount_;
  QPointer<QTimer> countTimer_;
};

namespace plugin {

inline constexpr unsigned kProgressTemplate = 6036;
inline constexpr int kProgressText = 6039;
inline constexpr int kProgressAnimationControl = 6041;
inline constexpr int kProgressCount = 6042;
inline constexpr unsigned kProgressAnimation = 6035;

// Presses of Cancel in the current progress dialog; a new current one starts again at 0, and the
// count stays after it is gone, so that its operation's caller can tell a cancel from a failure.
extern std::int32_t CancelPresses;

// Shows the current progress dialog with the localized text, unless it has begun already.
void BeginProgressText(unsigned baseId);
// The second line of the current progress dialog: what arrived so far. Shown at most four times
// a second, so that a fast archive is not slowed by painting.
void ShowProgressCount(const char* text);

}  // namespace plugin
