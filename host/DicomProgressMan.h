#pragma once

#include "hostlibs/vekutil/VekProgressMan.h"

// The host's progress dialog around each network operation. Only one is current at a time: one
// made while QueryBusy is set (an operation nested in the browser's own) neither becomes current
// nor shows, so the user sees the outer operation's text for the whole of it.
class CDicomProgressMan : public CVekProgressMan {
 public:
  CDicomProgressMan(unsigned templateId, QWidget* parent);
  ~CDicomProgressMan() override;
};

namespace plugin {

inline constexpr unsigned kProgressTemplate = 6036;
inline constexpr int kProgressText = 6039;
inline constexpr int kProgressAnimationControl = 6041;
inline constexpr unsigned kProgressAnimation = 6035;

// Shows the current progress dialog with the localized text, unless it has begun already.
void BeginProgressText(unsigned baseId);

}  // namespace plugin
