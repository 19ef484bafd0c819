#include "dimse/DimseExchange.h"

#include "dimse/CommandTags.h"

namespace dicom {

bool SendRequest(Association& association, const DataSet& command, const DataSet& dataSet,
                 std::string_view sopClassUid) {
  return association.SendMessage(1, command, sopClassUid, ImplicitLittleEndian) &&
         association.SendMessage(0, dataSet, sopClassUid, ImplicitLittleEndian);
}

bool ReceiveResponseCommand(Association& association, std::uint16_t& status, DataSet& command) {
  return association.ReceiveMessage(command) && command.GetUS(kStatusTag, status, 0);
}

bool ReceiveResponse(Association& association, std::uint16_t& status, DataSet& dataSet,
                     DataSet& command) {
  std::uint16_t dataSetType;
  if (!association.ReceiveMessage(command) || !command.GetUS(kDataSetTypeTag, dataSetType, 0) ||
      !command.GetUS(kStatusTag, status, 0)) {
    return false;
  }
  return dataSetType == kNoDataSet || association.ReceiveMessage(dataSet);
}

}  // namespace dicom
