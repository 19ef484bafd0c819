#pragma once

#include <cstdint>

// The host's menu system: hooks that see each menu and help request of one menu id before the
// host's own handler does. Hooks form a chain, the one installed last first.
extern "C" {

// A request as the chain passes it. `command`: low 16 bits the command (or help context) id,
// high 16 bits a flag. `kind`: 1 asks for the help file of the command, which a hook writes
// into `text`.
struct MenuRequest {
  std::uint32_t command;
  std::uint32_t kind;
  char text[260];
};

inline constexpr std::uint32_t kMenuRequestHelpFile = 1;

using MenuHookProc = int (*)(MenuRequest* request);

// Installs the hook at the head of the chain of the menu id; returns its handle, 0 for none.
std::uint32_t menuSetHook(std::uint32_t menuId, MenuHookProc hook);
// Passes the request to the hook after `handle` in its chain, or to the host's own handler at
// the end of it; returns what that one returned.
int menuCallNextHook(std::uint32_t handle, MenuRequest* request);
// The hook is no longer called; 1 when the handle was installed.
int menuRemoveHook(std::uint32_t handle);

// The host's side: its own handler at the end of the chain, and sending a request down the
// chain from its head (0 when neither a hook nor a handler is there).
void menuSetHostHandler(std::uint32_t menuId, MenuHookProc handler);
int menuCallHooks(std::uint32_t menuId, MenuRequest* request);

}  // extern "C"
