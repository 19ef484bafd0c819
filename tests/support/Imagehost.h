#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/Programs.h"
#include "support/SmallImage.h"

// The host program run offscreen by its macros. IMAGEHOST_BIN and PLUGIN come from the test
// target.
namespace testing_support {

// The command line of the host with its configuration under dir/config, its cache under dir/cache
// and its temporary directory in dir; without a plug-in, the host takes the one beside it.
inline std::vector<std::string> HostCommand(const TempDir& dir, const std::string& lines,
                                            const std::string& plugin = PLUGIN,
                                            const std::string& program = IMAGEHOST_BIN) {
  std::vector<std::string> argv = {"timeout",
                                   "120",
                                   "env",
                                   "QT_QPA_PLATFORM=offscreen",
                                   "XDG_CONFIG_HOME=" + dir.File("config"),
                                   "XDG_CACHE_HOME=" + dir.File("cache"),
                                   "TMPDIR=" + dir.File(""),
                                   program};
  if (!plugin.empty()) argv.insert(argv.end(), {"--plugin", plugin});
  argv.insert(argv.end(), {"-e", lines});
  return argv;
}

inline CommandResult RunHost(const TempDir& dir, const std::string& lines,
                             const std::string& plugin = PLUGIN) {
  return RunProgram(HostCommand(dir, lines, plugin));
}

// A macro line setting a preference.
inline std::string SetPreference(std::string_view key, const std::string& value) {
  return "setPreference(\"" + std::string(key) + "\", \"" + value + "\")\n";
}

}  // namespace testing_support
