#include "dimse/CEchoRsp.h"

#include "dimse/CommandTags.h"

namespace dicom {

CEchoRsp::CEchoRsp(std::uint16_t messageIdBeingRespondedTo, std::uint16_t status) {
  InsertText(kAffectedSopClassUidTag, vr::UI, kVerificationSopClass);
  InsertUS(kCommandFieldTag, 0x8030);
  InsertUS(kMessageIdBeingRespondedToTag, messageIdBeingRespondedTo);
  InsertUS(kDataSetTypeTag, kNoDataSet);
  InsertUS(kStatusTag, status);
}

}  // namespace dicom
