#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/DataSet.h"
#include "net/Association.h"

namespace dicom {

// Sends one query and reads its responses one at a time.
class CFindScu {
 public:
  explicit CFindScu(std::string_view sopClassUid) : sopClassUid_(sopClassUid) {}

  // The message id of the last request sent, which a cancel names.
  std::uint16_t MessageId() const { return messageId_; }
  // True when the command and the identifier were both sent.
  bool SendRequest(Association& association, const DataSet& identifier,
                   std::uint16_t priority) const;
  // True when one response was read completely. A response without data set leaves `identifier`
  // as the previous one left it.
  bool ReceiveResponse(std::uint16_t& status, DataSet& identifier, Association& association) const;
  // The same, handing out the response command too: its Message ID Being Responded To names the
  // query for a cancel.
  bool ReceiveResponse(std::uint16_t& status, DataSet& identifier, DataSet& responseCommand,
                       Association& association) const;
  // Asks the archive to stop the query that the message id started; it answers with the query's
  // final response (0xFE00 when it stopped it).
  bool SendCancel(Association& association, std::uint16_t messageId) const;

 private:
  const std::string sopClassUid_;
  mutable std::uint16_t messageId_ = 0;
};

}  // namespace dicom
