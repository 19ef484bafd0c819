#include "hostlibs/hostmenu/HostMenu.h"

#include <map>
#include <vector>

// The chains live on the host's user-interface thread, like the menus they serve; nothing here
// locks.
namespace {

struct Hook {
  std::uint32_t handle;
  MenuHookProc proc;  // nullptr once removed
};

struct Chain {
  std::vector<Hook> hooks;  // head first
  MenuHookProc hostHandler = nullptr;
};

std::map<std::uint32_t, Chain>& Chains() {
  static std::map<std::uint32_t, Chain> chains;
  return chains;
}

// A hook may remove itself, or another, while a request walks the chain. Removed hooks stay as
// empty places until no walk runs, so that the walk still finds where it stands.
int walkDepth = 0;
std::uint32_t lastHandle = 0;

void PurgeRemoved() {
  for (auto& [menuId, chain] : Chains())
    std::erase_if(chain.hooks, [](const Hook& hook) { return hook.proc == nullptr; });
}

int Call(MenuHookProc proc, MenuRequest* request) {
  ++walkDepth;
  const int result = proc(request);
  if (--walkDepth == 0) PurgeRemoved();
  return result;
}

// The first live hook at or after `index`, else the host's handler; 0 when there is neither.
int CallFrom(const Chain& chain, std::size_t index, MenuRequest* request) {
  for (; index < chain.hooks.size(); ++index) {
    if (chain.hooks[index].proc != nullptr) return Call(chain.hooks[index].proc, request);
  }
  return chain.hostHandler != nullptr ? Call(chain.hostHandler, request) : 0;
}

}  // namespace

extern "C" {

std::uint32_t menuSetHook(std::uint32_t menuId, MenuHookProc hook) {
  if (hook == nullptr) return 0;
  // Handles are never reused, so a stale one can never reach a newer hook.
  const std::uint32_t handle = ++lastHandle;
  auto& hooks = Chains()[menuId].hooks;
  hooks.insert(hooks.begin(), Hook{handle, hook});
  return handle;
}

int menuCallNextHook(std::uint32_t handle, MenuRequest* request) {
  for (auto& [menuId, chain] : Chains()) {
    for (std::size_t i = 0; i < chain.hooks.size(); ++i) {
      if (chain.hooks[i].handle == handle) return CallFrom(chain, i + 1, request);
    }
  }
  return 0;
}

int menuRemoveHook(std::uint32_t handle) {
  for (auto& [menuId, chain] : Chains()) {
    for (Hook& hook : chain.hooks) {
      if (hook.handle != handle || hook.proc == nullptr) continue;
      hook.proc = nullptr;
      if (walkDepth == 0) PurgeRemoved();
      return 1;
    }
  }
  return 0;
}

void menuSetHostHandler(std::uint32_t menuId, MenuHookProc handler) {
  Chains()[menuId].hostHandler = handler;
}

int menuCallHooks(std::uint32_t menuId, MenuRequest* request) {
  auto found = Chains().find(menuId);
  return found == Chains().end() ? 0 : CallFrom(found->second, 0, request);
}

}  // extern "C"
