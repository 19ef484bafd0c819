#include "browser/Request.h"
#include "host/HelpMenuHook.h"
#include "host/Module.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "net/IdleHook.h"
#include "platform/Resources.h"
#include "resources/Tables.h"

// Attach and detach run when the host loads and unloads the library. Loading fails as a whole
// when the host lacks one of its libraries or one operation the plug-in calls: the plug-in binds
// every symbol at load, so the host's dlopen refuses it and says which one is missing. Nothing
// in attach itself can fail, so a plug-in that loaded is a plug-in that works.
namespace plugin {
namespace {

void Attach() {
  OpenSharedAssociation();
  HookHandle = menuSetHook(kHelpMenuHookId, HelpMenuHook);
  platform::RegisterResources(resources::PluginResources());
  // A network wait lets the host paint, so the progress animation plays while the plug-in waits.
  dicom::SetIdleHook(&sysProcessIdle);
}

void Detach() {
  if (HookHandle != 0) {
    menuRemoveHook(HookHandle);
    HookHandle = 0;
  }
  if (Browser != nullptr) Browser->DestroyWindow();
  dicom::SetIdleHook(nullptr);
  platform::UnregisterResources(resources::PluginResources());
  CloseSharedAssociation();
}

struct Lifetime {
  Lifetime() { Attach(); }
  ~Lifetime() { Detach(); }
} lifetime;

}  // namespace
}  // namespace plugin
