#pragma once

#include "hostlibs/hostmenu/HostMenu.h"

namespace plugin {

inline constexpr std::uint32_t kHelpMenuHookId = 14013;

// Names the plug-in's help file for the help contexts 39600 to 39610 and passes every request on.
int HelpMenuHook(MenuRequest* request);

}  // namespace plugin
