#pragma once

#include <cstdint>
#include <string_view>

#include "data/DataSet.h"

namespace dicom {

// The C-MOVE-RQ command set. The move destination is sent as given, even beyond 16 characters.
class CMoveRq : public DataSet {
 public:
  CMoveRq(std::uint16_t messageId, std::string_view sopClassUid, std::string_view moveDestination,
          std::uint16_t priority);
};

}  // namespace dicom
