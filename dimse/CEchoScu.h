#pragma once

#include <cstdint>

#include "data/DataSet.h"
#include "net/Association.h"

namespace dicom {

// Verifies the connection to a peer with C-ECHO.
class CEchoScu {
 public:
  // True when the command was sent on the accepted Verification context.
  bool SendRequest(Association& association) const;
  // True when a response command with a Status arrived.
  bool ReceiveResponse(std::uint16_t& status, DataSet& responseCommand,
                       Association& association) const;
};

}  // namespace dicom
