#include "dimse/CEchoScu.h"

#include "dimse/CEchoRq.h"
#include "dimse/CommandTags.h"
#include "dimse/DimseExchange.h"
#include "dimse/MessageId.h"

namespace dicom {

bool CEchoScu::SendRequest(Association& association) const {
  const CEchoRq command(NextMessageId());
  return association.SendMessage(1, command, kVerificationSopClass, ImplicitLittleEndian) == 1;
}

bool CEchoScu::ReceiveResponse(std::uint16_t& status, DataSet& responseCommand,
                               Association& association) const {
  return ReceiveResponseCommand(association, status, responseCommand);
}

}  // namespace dicom
