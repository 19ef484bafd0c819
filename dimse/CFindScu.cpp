#include "dimse/CFindScu.h"

#include "dimse/CCancelRq.h"
#include "dimse/CFindRq.h"
#include "dimse/DimseExchange.h"
#include "dimse/MessageId.h"

namespace dicom {

bool CFindScu::SendRequest(Association& association, const DataSet& identifier,
                           std::uint16_t priority) const {
  messageId_ = NextMessageId();
  const CFindRq command(messageId_, sopClassUid_, priority);
  return dicom::SendRequest(association, command, identifier, sopClassUid_);
}

bool CFindScu::ReceiveResponse(std::uint16_t& status, DataSet& identifier,
                               Association& association) const {
  DataSet command;
  return ReceiveResponse(status, identifier, command, association);
}

bool CFindScu::ReceiveResponse(std::uint16_t& status, DataSet& identifier, DataSet& responseCommand,
                               Association& association) const {
  return dicom::ReceiveResponse(association, status, identifier, responseCommand);
}

bool CFindScu::SendCancel(Association& association, std::uint16_t messageId) const {
  return association.SendMessage(1, CCancelRq(messageId), sopClassUid_, ImplicitLittleEndian) == 1;
}

}  // namespace dicom
