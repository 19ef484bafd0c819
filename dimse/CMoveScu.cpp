#include "dimse/CMoveScu.h"

#include "dimse/CMoveRq.h"
#include "dimse/DimseExchange.h"
#include "dimse/MessageId.h"

namespace dicom {

bool CMoveScu::SendRequest(Association& association, std::string_view moveDestination,
                           const DataSet& identifier, std::uint16_t priority) const {
  const CMoveRq command(NextMessageId(), sopClassUid_, moveDestination, priority);
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

}  // namespace dicom
