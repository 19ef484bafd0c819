#pragma once

#include <cstdint>

#include "data/DataSet.h"

namespace dicom {

// The C-ECHO-RSP command set, which carries no data set.
class CEchoRsp : public DataSet {
 public:
  CEchoRsp(std::uint16_t messageIdBeingRespondedTo, std::uint16_t status);
};

}  // namespace dicom
