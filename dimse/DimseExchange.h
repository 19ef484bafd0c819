#pragma once

#include <cstdint>
#include <string_view>

#include "data/DataSet.h"
#include "net/Association.h"

namespace dicom {

// The exchange patterns every service user follows. "The exchange failed" (false) stays apart from
// "the peer answered with a failure status" (true, with that status).

// Sends the command and then, only when the command went out, the data set; both in implicit VR
// little-endian on the context proposed for the SOP class.
bool SendRequest(Association& association, const DataSet& command, const DataSet& dataSet,
                 std::string_view sopClassUid);

// Receives one response command into `command` and reads its Status. False when nothing could be
// received or the command has no Status; `status` then keeps its value.
bool ReceiveResponseCommand(Association& association, std::uint16_t& status, DataSet& command);

// As above, and requires a Data Set Type too; a response that announces a data set brings it into
// `dataSet`, one that announces none leaves `dataSet` as it was.
bool ReceiveResponse(Association& association, std::uint16_t& status, DataSet& dataSet,
                     DataSet& command);

}  // namespace dicom
