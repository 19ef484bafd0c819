#include "dimse/CStoreScu.h"

#include "dimse/CStoreRq.h"
#include "dimse/DimseExchange.h"
#include "dimse/MessageId.h"

namespace dicom {

bool CStoreScu::SendRequest(Association& association, std::string_view sopInstanceUid,
                            const DataSet& dataSet, std::uint16_t priority) const {
  const CStoreRq command(NextMessageId(), sopClassUid_, sopInstanceUid, priority);
  return dicom::SendRequest(association, command, dataSet, sopClassUid_);
}

bool CStoreScu::SendRequest(Association& association, std::uint8_t contextId, TransferSyntax syntax,
                            std::string_view sopInstanceUid, const DataSet& dataSet,
                            std::uint16_t priority) const {
  const CStoreRq command(NextMessageId(), sopClassUid_, sopInstanceUid, priority);
  return association.SendMessageOnContext(1, command, contextId, ImplicitLittleEndian) &&
         association.SendMessageOnContext(0, dataSet, contextId, syntax);
}

bool CStoreScu::ReceiveResponse(std::uint16_t& status, DataSet& responseCommand,
                                Association& association) const {
  return ReceiveResponseCommand(association, status, responseCommand);
}

}  // namespace dicom
