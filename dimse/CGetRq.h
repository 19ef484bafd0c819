#pragma once

#include <cstdint>
#include <string_view>

#include "data/DataSet.h"

namespace dicom {

// The C-GET-RQ command set: as a C-FIND-RQ, with its own command field.
class CGetRq : public DataSet {
 public:
  CGetRq(std::uint16_t messageId, std::string_view sopClassUid, std::uint16_t priority);
};

}  // namespace dicom
