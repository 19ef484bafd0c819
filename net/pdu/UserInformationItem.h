#pragma once

#include <cstdint>

#include "net/pdu/MaximumLengthItem.h"
#include "net/pdu/RoleSelectionItem.h"
#include "net/pdu/TextItem.h"

namespace dicom {

// User information (item 0x50): the three sub-items this system proposes, in this order. A role
// selection from a peer is read and kept; another sub-item ends the parsing of the item. A
// repeated sub-item replaces the one before it.
struct UserInformationItem {
  static constexpr std::uint8_t kType = 0x50;

  MaximumLengthItem maximumLength;
  ImplementationClassUidItem implementationClassUid;
  ImplementationVersionNameItem implementationVersionName;
  RoleSelectionItem roleSelection;

  std::uint16_t Length() const {
    return static_cast<std::uint16_t>(maximumLength.Size() + implementationClassUid.Size() +
                                      implementationVersionName.Size());
  }
  std::uint32_t Size() const { return 4 + Length(); }
  void Write(ByteStream& out) const;
  bool ReadBody(PduReader& in);
};

}  // namespace dicom
