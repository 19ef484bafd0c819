#pragma once

#include <cstdint>
#include <string_view>

#include "data/DataSet.h"

namespace dicom {

// The C-STORE-RSP command set, which carries no data set.
class CStoreRsp : public DataSet {
 public:
  CStoreRsp(std::uint16_t messageIdBeingRespondedTo, std::string_view sopClassUid,
            std::string_view sopInstanceUid, std::uint16_t status);
};

}  // namespace dicom
