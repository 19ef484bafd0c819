#include "dimse/CMoveRq.h"

#include "dimse/CommandTags.h"

namespace dicom {

CMoveRq::CMoveRq(std::uint16_t messageId, std::string_view sopClassUid,
                 std::string_view moveDestination, std::uint16_t priority) {
  InsertText(kAffectedSopClassUidTag, vr::UI, sopClassUid);
  InsertUS(kCommandFieldTag, 0x0021);
  InsertUS(kMessageIdTag, messageId);
  InsertText(kMoveDestinationTag, vr::AE, moveDestination);
  InsertUS(kPriorityTag, priority);
  InsertUS(kDataSetTypeTag, kDataSetPresent);
}

}  // namespace dicom
