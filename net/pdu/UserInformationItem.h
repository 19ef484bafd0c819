#pragma once

#include <cstdint>
#include <vector>

#include "net/pdu/MaximumLengthItem.h"
#include "net/pdu/RoleSelectionItem.h"
#include "net/pdu/TextItem.h"

namespace dicom {

// User information (item 0x50): maximum length, implementation class UID, the role selections
// (none unless asked for) and the implementation version name, in this order. Role selections
// are read and kept in the order they came; another unknown sub-item ends the parsing of the
// item. A repeated sub-item of the other kinds replaces the one before it.
struct UserInformationItem {
  static constexpr std::uint8_t kType = 0x50;

  MaximumLengthItem maximumLength;
  ImplementationClassUidItem implementationClassUid;
  ImplementationVersionNameItem implementationVersionName;
  std::vector<RoleSelectionItem> roleSelections;

  std::uint16_t Length() const {
    std::uint32_t length =
        maximumLength.Size() + implementationClassUid.Size() + implementationVersionName.Size();
    for (const RoleSelectionItem& role : roleSelections)
      length += role.Size();
    return static_cast<std::uint16_t>(length);
  }
  std::uint32_t Size() const { return 4 + Length(); }
  void Write(ByteStream& out) const;
  bool ReadBody(PduReader& in);
};

}  // namespace dicom
