#pragma once

#include <cstdint>
#include <string_view>

#include "data/DataSet.h"

namespace dicom {

// The C-STORE-RQ command set.
class CStoreRq : public DataSet {
 public:
  CStoreRq(std::uint16_t messageId, std::string_view sopClassUid, std::string_view sopInstanceUid,
           std::uint16_t priority);
};

}  // namespace dicom
