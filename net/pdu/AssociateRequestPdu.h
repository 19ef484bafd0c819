#pragma once

#include "net/pdu/AssociatePdu.h"
#include "net/pdu/PresentationContext.h"

namespace dicom {

// A-ASSOCIATE-RQ (PDU type 0x01).
using AssociateRequestPdu = AssociatePdu<0x01, PresentationContext>;

}  // namespace dicom
