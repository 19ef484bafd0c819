#include "dimse/CCancelRq.h"

#include "dimse/CommandTags.h"

namespace dicom {

CCancelRq::CCancelRq(std::uint16_t messageIdBeingRespondedTo) {
  InsertUS(kCommandFieldTag, 0x0FFF);
  InsertUS(kMessageIdBeingRespondedToTag, messageIdBeingRespondedTo);
  InsertUS(kDataSetTypeTag, kNoDataSet);
}

}  // namespace dicom
