#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/DataSet.h"
#include "net/Association.h"

namespace dicom {

// Stores one composite object on the peer with C-STORE.
class CStoreScu {
 public:
  explicit CStoreScu(std::string_view sopClassUid) : sopClassUid_(sopClassUid) {}

  // True when the command and the object were both sent.
  bool SendRequest(Association& association, std::string_view sopInstanceUid,
                   const DataSet& dataSet, std::uint16_t priority) const;
  // The same on an accepted context of the caller's choice, the object in that context's syntax.
  bool SendRequest(Association& association, std::uint8_t contextId, TransferSyntax syntax,
                   std::string_view sopInstanceUid, const DataSet& dataSet,
                   std::uint16_t priority) const;
  // True when a response command with a Status arrived; a C-STORE response carries no data set.
  bool ReceiveResponse(std::uint16_t& status, DataSet& responseCommand,
                       Association& association) const;

 private:
  const std::string sopClassUid_;
};

}  // namespace dicom
