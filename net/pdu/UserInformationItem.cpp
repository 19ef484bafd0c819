#include "net/pdu/UserInformationItem.h"

namespace dicom {

void UserInformationItem::Write(ByteStream& out) const {
  WriteItemHeader(out, kType, Length());
  out.Flush();
  maximumLength.Write(out);
  implementationClassUid.Write(out);
  for (const RoleSelectionItem& role : roleSelections)
    role.Write(out);
  implementationVersionName.Write(out);
}

bool UserInformationItem::ReadBody(PduReader& in) {
  roleSelections.clear();
  in.U8();
  const std::uint16_t length = in.U16();
  std::int64_t remaining = length;
  while (remaining > 0 && !in.Failed()) {
    const std::uint64_t before = in.Consumed();
    const std::uint8_t type = in.U8();
    switch (type) {
      case MaximumLengthItem::kType:
        maximumLength.ReadBody(in);
        break;
      case ImplementationClassUidItem::kType:
        implementationClassUid.ReadBody(in);
        break;
      case ImplementationVersionNameItem::kType:
        implementationVersionName.ReadBody(in);
        break;
      case RoleSelectionItem::kType:
        roleSelections.emplace_back().ReadBody(in);
        break;
      default:
        // Asynchronous operations window and anything newer: the rest of the item is skipped.
        in.Skip(static_cast<std::uint32_t>(remaining - 1));
        return false;
    }
    remaining -= static_cast<std::int64_t>(in.Consumed() - before);
  }
  return remaining == 0 && !in.Failed();
}

}  // namespace dicom
