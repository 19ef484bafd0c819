#include "dimse/CStoreRq.h"

#include "dimse/CommandTags.h"

namespace dicom {

CStoreRq::CStoreRq(std::uint16_t messageId, std::string_view sopClassUid,
                   std::string_view sopInstanceUid, std::uint16_t priority) {
  InsertText(kAffectedSopClassUidTag, vr::UI, sopClassUid);
  InsertUS(kCommandFieldTag, 0x0001);
  InsertUS(kMessageIdTag, messageId);
  InsertUS(kPriorityTag, priority);
  InsertUS(kDataSetTypeTag, kDataSetPresent);
  InsertText(kAffectedSopInstanceUidTag, vr::UI, sopInstanceUid);
}

}  // namespace dicom
