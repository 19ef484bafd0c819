#pragma once

#include "net/pdu/AssociatePdu.h"
#include "net/pdu/PresentationContextAccept.h"

namespace dicom {

// A-ASSOCIATE-AC (PDU type 0x02).
using AssociateAcceptPdu = AssociatePdu<0x02, PresentationContextAccept>;

}  // namespace dicom
