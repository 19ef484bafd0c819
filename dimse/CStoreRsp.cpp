#include "dimse/CStoreRsp.h"

#include "dimse/CommandTags.h"

namespace dicom {

CStoreRsp::CStoreRsp(std::uint16_t messageIdBeingRespondedTo, std::string_view sopClassUid,
                     std::string_view sopInstanceUid, std::uint16_t status) {
  InsertText(kAffectedSopClassUidTag, vr::UI, sopClassUid);
  InsertUS(kCommandFieldTag, 0x8001);
  InsertUS(kMessageIdBeingRespondedToTag, messageIdBeingRespondedTo);
  InsertUS(kDataSetTypeTag, kNoDataSet);
  InsertUS(kStatusTag, status);
  InsertText(kAffectedSopInstanceUidTag, vr::UI, sopInstanceUid);
}

}  // namespace dicom
