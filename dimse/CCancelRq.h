#pragma once

#include <cstdint>

#include "data/DataSet.h"

namespace dicom {

// The C-CANCEL-RQ command set: asks the peer to stop the C-FIND, C-MOVE or C-GET that the message
// id started. It carries no data set; the peer answers with the operation's final response.
class CCancelRq : public DataSet {
 public:
  explicit CCancelRq(std::uint16_t messageIdBeingRespondedTo);
};

}  // namespace dicom
