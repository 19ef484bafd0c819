#include "dimse/CGetScu.h"

#include <cstdio>

#include "dimse/CCancelRq.h"
#include "dimse/CGetRq.h"
#include "dimse/CStoreRsp.h"
#include "dimse/CommandTags.h"
#include "dimse/DimseExchange.h"
#include "dimse/MessageId.h"
#include "dimse/StorageSopClasses.h"

namespace dicom {

namespace {

// An archive that does not transcode sends an object only in the syntax it holds it in, and a
// context carries one syntax: the classes users meet most get a context of their own for each
// compressed syntax archives keep most, within the 128 contexts an association can hold.
constexpr std::string_view kCommonImageClasses[] = {
    "1.2.840.10008.5.1.4.1.1.1",     // Computed Radiography
    "1.2.840.10008.5.1.4.1.1.1.1",   // Digital X-Ray, for presentation
    "1.2.840.10008.5.1.4.1.1.1.2",   // Digital Mammography X-Ray, for presentation
    "1.2.840.10008.5.1.4.1.1.2",     // CT
    "1.2.840.10008.5.1.4.1.1.4",     // MR
    "1.2.840.10008.5.1.4.1.1.6.1",   // Ultrasound
    "1.2.840.10008.5.1.4.1.1.7",     // Secondary Capture
    "1.2.840.10008.5.1.4.1.1.12.1",  // X-Ray Angiographic
    "1.2.840.10008.5.1.4.1.1.20",    // Nuclear Medicine
    "1.2.840.10008.5.1.4.1.1.128",   // Positron Emission Tomography
};
constexpr TransferSyntax kCommonCompressedSyntaxes[] = {
    JpegLosslessSv1, JpegLsLossless, Jpeg2000Lossless, RleLossless, JpegBaseline};

}  // namespace

void CGetScu::Propose(Association& association) {
  association.AddAbstractSyntax(kStudyRootGetSopClass);
  const std::string_view syntaxes[] = {TransferSyntaxUid(ExplicitLittleEndian),
                                       TransferSyntaxUid(ImplicitLittleEndian)};
  for (const std::string_view sopClass : kImageStorageSopClasses) {
    association.AddAbstractSyntax(sopClass, syntaxes);
    association.AddRoleSelection(sopClass, 0, 1);
  }
  for (const std::string_view sopClass : kCommonImageClasses) {
    for (const TransferSyntax syntax : kCommonCompressedSyntaxes) {
      const std::string_view uid = TransferSyntaxUid(syntax);
      association.AddPresentationContext(sopClass, {&uid, 1});
    }
  }
}

bool CGetScu::SendRequest(Association& association, const DataSet& identifier,
                          std::uint16_t priority) const {
  messageId_ = NextMessageId();
  const CGetRq command(messageId_, sopClassUid_, priority);
  return dicom::SendRequest(association, command, identifier, sopClassUid_);
}

// Whatever is neither a sub-operation nor a response of this retrieve cannot be answered here, and
// the peer would wait for an answer: the association is aborted. So is a command that arrived on
// a context the peer did not accept: it cannot be read, so neither its message id nor its SOP
// class is known, and a response needs both.
bool CGetScu::ReceiveResponse(std::uint16_t& status, DataSet& identifier, DataSet& responseCommand,
                              Association& association) {
  for (;;) {
    if (!association.AwaitMessage()) return false;
    if (!association.ReceiveMessage(responseCommand)) {
      if (!association.IsConnected()) return false;
      const std::uint8_t context = association.MessageContextId();
      if (!association.AcceptedAbstractSyntax(context).empty())
        return Abort(association, "a command that does not decode");
      char text[80];
      std::snprintf(text, sizeof text,
                    "a message on presentation context %d, which is not accepted", context);
      return Abort(association, text);
    }
    const std::uint16_t field = responseCommand.GetUS(kCommandFieldTag);
    if (!association.MessageIsCommand()) {
      return Abort(association, "a data set where a command belongs");
    }
    if (field != kCStoreRq && field != kCGetRsp) {
      char text[64];
      std::snprintf(text, sizeof text, "command 0x%04X, which is no part of a retrieve", field);
      return Abort(association, text);
    }
    if (field == kCGetRsp) break;
    if (!Serve(association, responseCommand)) return false;
  }
  std::uint16_t dataSetType;
  if (!responseCommand.GetUS(kDataSetTypeTag, dataSetType, 0) ||
      !responseCommand.GetUS(kStatusTag, status, 0)) {
    return false;
  }
  return dataSetType == kNoDataSet || association.ReceiveMessage(identifier);
}

// The answer goes out only once the storage is done with the object, so that a success means it
// is kept. A sub-operation that fails here (an object that does not decode, or one on a context
// accepted for another SOP class) is answered with a failure status and the association goes on:
// the peer counts it among the failed sub-operations.
bool CGetScu::Serve(Association& association, const DataSet& command) {
  const std::uint8_t context = association.MessageContextId();
  StoreRequest request{command.GetText(kAffectedSopClassUidTag, vr::UI),
                       command.GetText(kAffectedSopInstanceUidTag, vr::UI), UnknownTransferSyntax};
  for (const PresentationContextAccept& accepted : association.AcceptedContexts()) {
    if (accepted.id == context)
      request.syntax = TransferSyntaxFromUid(accepted.transferSyntax.value.View());
  }
  std::uint16_t status = kStatusSuccess;
  std::string outcome;
  DataSet object;
  if (command.GetUS(kDataSetTypeTag) == kNoDataSet) {
    status = kStatusCannotUnderstand;
    outcome = "the request carries no data set";
  } else if (!association.ReceiveMessage(object)) {
    if (!association.IsConnected()) return false;
    status = kStatusCannotUnderstand;
    outcome = "the data set does not decode";
  } else if (association.MessageIsCommand()) {
    return Abort(association, "a command where the data set of a C-STORE request belongs");
  } else if (association.AcceptedAbstractSyntax(context) != request.sopClassUid) {
    status = kStatusRefused;
    outcome = "no context was accepted for SOP class " + request.sopClassUid;
  } else {
    status = storage_(request, object, outcome);
  }
  const CStoreRsp response(command.GetUS(kMessageIdTag), request.sopClassUid,
                           request.sopInstanceUid, status);
  association.SendMessageOnContext(1, response, context, ImplicitLittleEndian);
  ++subOperations_;
  if (status != kStatusSuccess) ++failed_;
  if (answered_) answered_(request, status, outcome);
  return association.IsConnected();
}

bool CGetScu::SendCancel(Association& association, std::uint16_t messageId) const {
  return association.SendMessage(1, CCancelRq(messageId), sopClassUid_, ImplicitLittleEndian) == 1;
}

bool CGetScu::Abort(Association& association, std::string reason) {
  abortReason_ = std::move(reason);
  association.Abort();
  return false;
}

}  // namespace dicom
