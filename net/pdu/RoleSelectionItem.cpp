#include "net/pdu/RoleSelectionItem.h"

#include <algorithm>

namespace dicom {

void RoleSelectionItem::Write(ByteStream& out) const {
  WriteItemHeader(out, kType, static_cast<std::uint16_t>(4 + sopClassUid.Length()));
  out.WriteU16(static_cast<std::uint16_t>(sopClassUid.Length()));
  out.Write(sopClassUid.View().data(), sopClassUid.Length());
  out.WriteU8(scuRole);
  out.WriteU8(scpRole);
  out.Flush();
}

bool RoleSelectionItem::ReadBody(PduReader& in) {
  in.U8();
  const std::uint16_t length = in.U16();
  const std::uint16_t uidLength = in.U16();
  const std::uint32_t kept = std::min<std::uint32_t>(uidLength, UidValue::kMaxLength);
  char uid[UidValue::kMaxLength];
  in.Bytes(uid, kept);
  in.Skip(uidLength - kept);
  sopClassUid.Assign(std::string_view(uid, kept));
  scuRole = in.U8();
  scpRole = in.U8();
  return length == uidLength + 4 && !in.Failed();
}

}  // namespace dicom
