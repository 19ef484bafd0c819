#include "dimse/CMoveScu.h"

#include "dimse/CCancelRq.h"
#include "dimse/CMoveRq.h"
#include "dimse/DimseExchange.h"
#include "dimse/MessageId.h"

namespace dicom {

bool CMoveScu::SendRequest(Association& association, std::string_view moveDestination,
                           const DataSet& identifier, std::uint16_t priority) const {
  messageId_ = NextMessageId();
  const CMoveRq command(messageId_, sopClassUid_, moveDestination, priority);
  return dicom::SendRequest(association, command, identifier, sopClassUid_);
}

bool CMoveScu::ReceiveResponse(std::uint16_t& status, DataSet& identifier,
                               Association& association) const {
  DataSet command;
  return ReceiveResponse(status, identifier, command, association);
}

bool CMoveScu::ReceiveResponse(std::uint16_t& status, DataSet& identifier, DataSet& responseCommand,
                               Association& association) const {
  return dicom::ReceiveResponse(association, status, identifier, responseCommand);
}

bool CMoveScu::SendCancel(Association& association, std::uint16_t messageId) const {
  return association.SendMessage(1, CCancelRq(messageId), sopClassUid_, ImplicitLittleEndian) == 1;
}

}  // namespace dicom
