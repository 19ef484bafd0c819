#include "dimse/CFindScu.h"

#include "dimse/CFindRq.h"
#include "dimse/DimseExchange.h"
#include "dimse/MessageId.h"

namespace dicom {

bool CFindScu::SendRequest(Association& association, const DataSet& identifier,
                           std::uint16_t priority) const {
  const CFindRq command(NextMessageId(), sopClassUid_, priority);
  return dicom::SendRequest(association, command, identifier, sopClassUid_);
}

bool CFindScu::ReceiveResponse(std::uint16_t& status, DataSet& identifier,
                               Association& association) const {
  DataSet command;
  return dicom::ReceiveResponse(association, status, identifier, command);
}

}  // namespace dicom
