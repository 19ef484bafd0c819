#include "dimse/CFindRq.h"

#include "dimse/CommandTags.h"

namespace dicom {

CFindRq::CFindRq(std::uint16_t messageId, std::string_view sopClassUid, std::uint16_t priority) {
  InsertText(kAffectedSopClassUidTag, vr::UI, sopClassUid);
  InsertUS(kCommandFieldTag, 0x0020);
  InsertUS(kMessageIdTag, messageId);
  InsertUS(kPriorityTag, priority);
  InsertUS(kDataSetTypeTag, kDataSetPresent);
}

}  // namespace dicom
