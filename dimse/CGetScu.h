#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "data/DataSet.h"
#include "data/TransferSyntax.h"
#include "net/Association.h"

namespace dicom {

// One C-STORE sub-operation of a retrieve, as its command names the object.
struct StoreRequest {
  std::string sopClassUid;
  std::string sopInstanceUid;
  TransferSyntax syntax = UnknownTransferSyntax;  // of the context it arrived on
};

// Asks the peer for the objects that match an identifier on this same association: the peer's
// C-STORE sub-operations arrive between the C-GET responses, are handed to the storage and
// answered, one at a time.
class CGetScu {
 public:
  // Keeps the object; the status of the answer: 0x0000 stored, or a failure (0xA700 out of
  // resources, 0xC000 cannot understand), with `outcome` saying where it went or why not.
  using Storage = std::function<std::uint16_t(const StoreRequest&, const DataSet& object,
                                              std::string& outcome)>;
  // Told of each sub-operation once it has been answered, with the status and the outcome.
  using Answered =
      std::function<void(const StoreRequest&, std::uint16_t status, const std::string& outcome)>;

  CGetScu(std::string_view sopClassUid, Storage storage)
      : sopClassUid_(sopClassUid), storage_(std::move(storage)) {}
  void OnAnswered(Answered answered) { answered_ = std::move(answered); }

  // Proposes the study root C-GET and every image storage class with this side in the SCP role,
  // each in explicit and implicit VR little-endian, and the most common image classes also in the
  // compressed syntaxes archives keep most, each on a context of its own.
  static void Propose(Association& association);

  // The message id of the last request sent, which a cancel names.
  std::uint16_t MessageId() const { return messageId_; }
  // True when the command and the identifier were both sent.
  bool SendRequest(Association& association, const DataSet& identifier,
                   std::uint16_t priority) const;
  // Serves the sub-operations that come first, then reads one C-GET response: true when it was
  // read completely, as for C-MOVE (its response command in `responseCommand`, an announced data
  // set in `identifier`). False when the association failed, or was aborted here because the
  // peer sent what cannot be answered; also when a wait between messages was interrupted
  // (InterruptWaits), the association then still standing.
  bool ReceiveResponse(std::uint16_t& status, DataSet& identifier, DataSet& responseCommand,
                       Association& association);

  // Asks the archive to stop the retrieve that the message id started; it answers with the
  // retrieve's final response (0xFE00 when it stopped it).
  bool SendCancel(Association& association, std::uint16_t messageId) const;

  // Sub-operations answered so far, and how many of those with a failure.
  unsigned SubOperations() const { return subOperations_; }
  unsigned FailedSubOperations() const { return failed_; }
  // Why this side aborted the association, when it did.
  const std::string& AbortReason() const { return abortReason_; }

 private:
  // Takes the object of a C-STORE-RQ and answers it; false when the association is gone.
  bool Serve(Association& association, const DataSet& command);
  bool Abort(Association& association, std::string reason);

  const std::string sopClassUid_;
  mutable std::uint16_t messageId_ = 0;
  Storage storage_;
  Answered answered_;
  unsigned subOperations_ = 0;
  unsigned failed_ = 0;
  std::string abortReason_;
};

}  // namespace dicom
