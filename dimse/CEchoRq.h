#pragma once

#include <cstdint>

#include "data/DataSet.h"

namespace dicom {

// The C-ECHO-RQ command set, which carries no data set.
class CEchoRq : public DataSet {
 public:
  explicit CEchoRq(std::uint16_t messageId);
};

}  // namespace dicom
