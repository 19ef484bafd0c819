#include "hostlibs/hostmenu/HostMenu.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "platform/Application.h"

namespace {
HelpViewer helpViewer = nullptr;
}  // namespace

extern "C" {

void utlSetHelpViewer(HelpViewer viewer) {
  helpViewer = viewer;
}

// Every kind the host knows shows a help context, so `kind` does not change the request. The
// chain is asked even without a GUI, as the host would; only the viewer needs one.
void ShowHelp(int /*kind*/, std::uint32_t context) {
  MenuRequest request{};
  request.command = context & 0xFFFFu;
  request.kind = kMenuRequestHelpFile;
  menuCallHooks(kHelpMenuId, &request);
  request.text[sizeof request.text - 1] = '\0';
  if (request.text[0] == '\0' || helpViewer == nullptr || !platform::HasGui()) return;
  helpViewer(request.text, context);
}

}  // extern "C"
