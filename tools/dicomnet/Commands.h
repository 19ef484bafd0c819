#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "data/DataSet.h"

namespace dicomnet {

// Each subcommand takes the arguments after its name and returns the process exit status:
// 0 success, 1 failure, 2 usage error.
int RunDump(std::span<const std::string_view> args);
int RunDecompress(std::span<const std::string_view> args);
int RunEcho(std::span<const std::string_view> args);
int RunFind(std::span<const std::string_view> args);
int RunMove(std::span<const std::string_view> args);
int RunGet(std::span<const std::string_view> args);
int RunStore(std::span<const std::string_view> args);
int RunReceive(std::span<const std::string_view> args);
int RunSelfTest(std::span<const std::string_view> args);

// The association the query/retrieve browser sets up: verification, study root find and move.
extern const std::array<std::string_view, 3> kQueryRetrieveSyntaxes;

// A status word as users read it: 0xFF00.
std::string StatusText(std::uint16_t status);

// One line for a C-MOVE or C-GET response: the status and the sub-operation counters it carries.
void PrintRetrieveResponse(std::uint16_t status, const dicom::DataSet& command);

}  // namespace dicomnet
