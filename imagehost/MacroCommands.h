#pragma once

#include <functional>
#include <string>
#include <vector>

class PluginLoader;
class Preferences;

// The host's macro commands, registered with the base library so that the macro runner and the
// plug-in's macCommand reach the same ones. Commands that act as a user on a window (click,
// selectRows, key, closeWindow) post the action and return at once, so that an action that
// opens a modal dialog or runs a long plug-in call does not hold up the macro.
class MacroCommands {
 public:
  MacroCommands(Preferences& preferences, PluginLoader& plugin, std::function<void()> quit);
  ~MacroCommands();
  MacroCommands(const MacroCommands&) = delete;
  MacroCommands& operator=(const MacroCommands&) = delete;

  // User actions posted but not started yet.
  static int PendingUserActions();

 private:
  std::vector<std::string> names_;
};
