#include "dimse/CEchoRq.h"

#include "dimse/CommandTags.h"

namespace dicom {

CEchoRq::CEchoRq(std::uint16_t messageId) {
  InsertText(kAffectedSopClassUidTag, vr::UI, kVerificationSopClass);
  InsertUS(kCommandFieldTag, kCEchoRq);
  InsertUS(kMessageIdTag, messageId);
  InsertUS(kDataSetTypeTag, kNoDataSet);
}

}  // namespace dicom
