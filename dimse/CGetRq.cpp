#include "dimse/CGetRq.h"

#include "dimse/CommandTags.h"

namespace dicom {

CGetRq::CGetRq(std::uint16_t messageId, std::string_view sopClassUid, std::uint16_t priority) {
  InsertText(kAffectedSopClassUidTag, vr::UI, sopClassUid);
  InsertUS(kCommandFieldTag, kCGetRq);
  InsertUS(kMessageIdTag, messageId);
  InsertUS(kPriorityTag, priority);
  InsertUS(kDataSetTypeTag, kDataSetPresent);
}

}  // namespace dicom
