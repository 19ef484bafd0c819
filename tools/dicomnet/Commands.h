#pragma once

#include <span>
#include <string_view>

namespace dicomnet {

// Each subcommand takes the arguments after its name and returns the process exit status:
// 0 success, 1 failure, 2 usage error.
int RunDump(std::span<const std::string_view> args);

}  // namespace dicomnet
