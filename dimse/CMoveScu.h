#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/DataSet.h"
#include "net/Association.h"

namespace dicom {

// Asks the peer to send the objects that match an identifier to another application entity, and
// reads the responses until the final one.
class CMoveScu {
 public:
  explicit CMoveScu(std::string_view sopClassUid) : sopClassUid_(sopClassUid) {}

  // The message id of the last request sent, which a cancel names.
  std::uint16_t MessageId() const { return messageId_; }
  // True when the command and the identifier were both sent.
  bool SendRequest(Association& association, std::string_view moveDestination,
                   const DataSet& identifier, std::uint16_t priority) const;
  // True when one response was read completely; as for C-FIND.
  bool ReceiveResponse(std::uint16_t& status, DataSet& identifier, Association& association) const;
  // The same, handing out the response command too, for callers that show the sub-operation
  // counters.
  bool ReceiveResponse(std::uint16_t& status, DataSet& identifier, DataSet& responseCommand,
                       Association& association) const;
  // Asks the archive to stop the retrieve that the message id started; it answers with the
  // retrieve's final response (0xFE00 when it stopped it).
  bool SendCancel(Association& association, std::uint16_t messageId) const;

 private:
  const std::string sopClassUid_;
  mutable std::uint16_t messageId_ = 0;
};

}  // namespace dicom
