#pragma once

#include <cstdint>

#include "net/pdu/PduReader.h"
#include "net/pdu/UidValue.h"

namespace dicom {

// SCP/SCU role selection (sub-item 0x54): the roles a side proposes, or accepts, for one SOP
// class. A role of 1 is asked for (or granted), 0 is not.
struct RoleSelectionItem {
  static constexpr std::uint8_t kType = 0x54;

  UidValue sopClassUid;
  std::uint8_t scuRole = 0;
  std::uint8_t scpRole = 0;

  std::uint32_t Size() const { return 8 + sopClassUid.Length(); }
  void Write(ByteStream& out) const;
  bool ReadBody(PduReader& in);
};

}  // namespace dicom
