#pragma once

#include <cstdint>
#include <string_view>

#include "data/DataSet.h"

namespace dicom {

// The C-FIND-RQ command set.
class CFindRq : public DataSet {
 public:
  CFindRq(std::uint16_t messageId, std::string_view sopClassUid, std::uint16_t priority);
};

}  // namespace dicom
