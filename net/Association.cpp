#include "net/Association.h"

#include <algorithm>

#include "data/FileMetaHeader.h"
#include "data/StreamCodec.h"
#include "net/IdCounter.h"
#include "net/ProtocolLog.h"

namespace dicom {

Association::Association() {
  stream_.SetInputByteOrder(ByteOrder::BigEndian);
  stream_.SetOutputByteOrder(ByteOrder::BigEndian);
}

Association::~Association() {
  if (IsConnected()) Release();
}

int Association::ClearAbstractSyntaxes() {
  proposals_.clear();
  roleSelections_.clear();
  return 1;
}

int Association::AddAbstractSyntax(std::string_view uid) {
  const std::string_view implicit[] = {kImplicitLittleEndianUid};
  return AddAbstractSyntax(uid, implicit);
}

int Association::AddAbstractSyntax(std::string_view uid,
                                   std::span<const std::string_view> transferSyntaxes) {
  if (std::none_of(proposals_.begin(), proposals_.end(),
                   [&](const Proposal& p) { return p.abstractSyntax == uid; })) {
    proposals_.push_back({std::string(uid), {transferSyntaxes.begin(), transferSyntaxes.end()}});
  }
  return 1;
}

int Association::AddPresentationContext(std::string_view uid,
                                        std::span<const std::string_view> transferSyntaxes) {
  proposals_.push_back({std::string(uid), {transferSyntaxes.begin(), transferSyntaxes.end()}});
  return 1;
}

std::uint8_t Association::AcceptedContextFor(std::string_view abstractSyntaxUid,
                                             std::string_view transferSyntaxUid) const {
  for (const PresentationContext& proposal : request_.presentationContexts) {
    if (proposal.abstractSyntax.value.View() != abstractSyntaxUid) continue;
    const bool accepted = std::any_of(accepted_.begin(), accepted_.end(), [&](const auto& c) {
      return c.id == proposal.id && c.transferSyntax.value.View() == transferSyntaxUid;
    });
    if (accepted) return proposal.id;
  }
  return 0;
}

void Association::AddRoleSelection(std::string_view sopClassUid, std::uint8_t scuRole,
                                   std::uint8_t scpRole) {
  RoleSelectionItem& role = roleSelections_.emplace_back();
  role.sopClassUid.Assign(sopClassUid);
  role.scuRole = scuRole;
  role.scpRole = scpRole;
}

std::string_view Association::AcceptedAbstractSyntax(std::uint8_t contextId) const {
  const bool accepted = std::any_of(accepted_.begin(), accepted_.end(),
                                    [&](const auto& c) { return c.id == contextId; });
  for (const PresentationContext& proposal : request_.presentationContexts) {
    if (accepted && proposal.id == contextId) return proposal.abstractSyntax.value.View();
  }
  return {};
}

const RoleSelectionItem* Association::PeerRoleSelection(std::string_view sopClassUid) const {
  for (const RoleSelectionItem& role : accept_.userInformation.roleSelections) {
    if (role.sopClassUid.View() == sopClassUid) return &role;
  }
  return nullptr;
}

// Nothing of an earlier connection may reach the next one.
void Association::Reset() {
  unread_ = 0;
  fragmentSize_ = kMaxFragment;
  stream_.DiscardInput();
  message_.DiscardInput();
  message_.DiscardOutput();
}

int Association::Close() {
  socket_.Close();
  Reset();
  return 0;
}

int Association::End(AssociationEnd why) {
  ended_ = why;
  return Close();
}

int Association::Request(const char* host, const char* port) {
  Reset();
  answerType_ = 0;
  reject_ = {};
  peerAbort_ = {};
  ended_ = AssociationEnd::NoConnection;
  accept_.userInformation = {};
  if (proposals_.empty()) return 0;

  request_.presentationContexts.clear();
  for (const Proposal& proposal : proposals_) {
    PresentationContext& context = request_.presentationContexts.emplace_back();
    context.id = NextContextId();
    context.abstractSyntax.value.Assign(proposal.abstractSyntax);
    for (const std::string& syntax : proposal.transferSyntaxes)
      context.transferSyntaxes.emplace_back().value.Assign(syntax);
  }
  UserInformationItem& user = request_.userInformation;
  user.maximumLength.maximumLength = kProposedMaximumLength;
  user.implementationClassUid.value = FileMetaHeader::kImplementationClassUid;
  user.roleSelections = roleSelections_;
  user.implementationVersionName.value = FileMetaHeader::kImplementationVersionName;

  if (!socket_.Connect(host, port)) {
    if (socket_.TlsFailed() != TlsFailure::None) ended_ = AssociationEnd::TlsFailed;
    if (socket_.LastError() == TcpSocket::kInterrupted) ended_ = AssociationEnd::Aborted;
    return 0;
  }
  ended_ = AssociationEnd::None;
  request_.Write(stream_);

  // Whatever goes wrong before the association stands closes the connection without an A-ABORT.
  PduReader in(stream_);
  const std::uint8_t type = in.U8();
  if (in.Failed()) return Fail(false);
  answerType_ = type;
  switch (type) {
    case AssociateAcceptPdu::kType:
      return ReadAccept(in);
    case AssociateRejectPdu::kType:
      reject_.ReadBody(in);
      return End(AssociationEnd::Rejected);
    case AbortPdu::kType:
      peerAbort_.ReadBody(in);
      return End(AssociationEnd::AbortedByPeer);
    default:
      return End(AssociationEnd::BadAnswer);
  }
}

// The AC is interpreted as far as it was read: its contexts, ids and transfer syntaxes are taken as
// the peer gives them, and a context it answers that was never proposed is simply never used.
int Association::ReadAccept(PduReader& in) {
  in.U8();
  const std::uint32_t length = in.U32();
  if (in.Failed()) return Fail(false);
  // Refused unread when it announces more than any sensible answer holds.
  if (length > kMaxAcceptLength) return End(AssociationEnd::BadAnswer);
  // Lengths that do not add up leave what was read before them; items reaching past the end of
  // the PDU leave nothing that could be trusted.
  accept_.ReadRest(in, length);
  if (in.Failed()) return Fail(false);
  if (accept_.Overran()) return End(AssociationEnd::BadAnswer);
  const std::uint32_t peerMaximum = accept_.userInformation.maximumLength.maximumLength;
  fragmentSize_ = !followPeer_       ? FragmentSize(maxSendPdu_, peerMaximum)
                  : peerMaximum == 0 ? kMaxFragment
                                     : FragmentSize(kLargestSendPdu, peerMaximum);
  accepted_.clear();
  for (const PresentationContextAccept& context : accept_.presentationContexts) {
    if (context.result == PresentationContextAccept::Acceptance) accepted_.push_back(context);
  }
  if (!accepted_.empty()) return 1;
  // No context accepted: the connection is closed without an abort or a release.
  return End(AssociationEnd::NoContextAccepted);
}

int Association::SendMessage(std::uint8_t controlHeader, const DataSet& dataSet,
                             std::string_view abstractSyntaxUid, TransferSyntax syntax) {
  const int sent = Send(controlHeader, dataSet, abstractSyntaxUid, syntax);
  if (sent && TraceLog()) TraceLog()->OnTransmitted(socket_.Handle(), dataSet);
  if (!sent && ErrorLog()) ErrorLog()->OnWriteFailed(socket_.Handle());
  return sent;
}

int Association::Send(std::uint8_t controlHeader, const DataSet& dataSet,
                      std::string_view abstractSyntaxUid, TransferSyntax syntax) {
  controlHeader_ = controlHeader;
  // Only the first proposal of the abstract syntax counts.
  const auto proposal =
      std::find_if(request_.presentationContexts.begin(), request_.presentationContexts.end(),
                   [&](const PresentationContext& c) {
                     return c.abstractSyntax.value.View() == abstractSyntaxUid;
                   });
  contextId_ = proposal == request_.presentationContexts.end() ? 0 : proposal->id;
  if (contextId_ == 0) return 0;
  const bool accepted = std::any_of(accepted_.begin(), accepted_.end(), [&](const auto& c) {
    return c.id == contextId_ && c.transferSyntax.value.View() == TransferSyntaxUid(syntax);
  });
  if (!accepted) return 0;
  return Transmit(controlHeader, dataSet, syntax);
}

int Association::SendMessageOnContext(std::uint8_t controlHeader, const DataSet& dataSet,
                                      std::uint8_t contextId, TransferSyntax syntax) {
  const bool accepted = std::any_of(accepted_.begin(), accepted_.end(),
                                    [&](const auto& c) { return c.id == contextId; });
  contextId_ = contextId;
  const int sent = accepted && IsConnected() ? Transmit(controlHeader, dataSet, syntax) : 0;
  if (sent && TraceLog()) TraceLog()->OnTransmitted(socket_.Handle(), dataSet);
  if (!sent && ErrorLog()) ErrorLog()->OnWriteFailed(socket_.Handle());
  return sent;
}

int Association::Transmit(std::uint8_t controlHeader, const DataSet& dataSet,
                          TransferSyntax syntax) {
  controlHeader_ = controlHeader;
  message_.DiscardOutput();
  StreamCodec codec(message_, syntax);
  // Checked first, because fragments leave while the message is encoded.
  if (!codec.CanWrite(dataSet)) return 0;
  message_.SetDrain([this] { SendFragments(false); });
  codec.WriteDataSet(dataSet);
  message_.SetDrain(nullptr);
  if (codec.Status() != CodecStatus::Good) {
    // A value whose file failed on the way: part of the message is out, and only an abort tells
    // the peer that it will not be complete.
    message_.DiscardOutput();
    return Abort();
  }
  SendFragments(true);
  return 1;
}

// The data bytes of one PDV: what is left of the smaller maximum after the PDV's own 6-byte header.
// Without a maximum of our own the peer's is not looked at. A peer's maximum of 0 means none.
std::uint32_t Association::FragmentSize(std::uint32_t ownMaximum, std::uint32_t peerMaximum) {
  if (ownMaximum == 0) return kMaxFragment;
  const std::uint32_t maximum = peerMaximum == 0 ? ownMaximum : std::min(ownMaximum, peerMaximum);
  // A peer announcing less than a PDV header still gets one data byte per PDU.
  return maximum > DataTransferPdu::kPdvHeaderSize ? maximum - DataTransferPdu::kPdvHeaderSize : 1;
}

// One PDV per P-DATA-TF PDU, of at most 4096 bytes unless a maximum was set.
// Until the end of the message a full fragment is sent only when more bytes follow it, so that
// the last fragment always carries the last-fragment bit.
void Association::SendFragments(bool end) {
  while (message_.Pending() > (end ? 0 : fragmentSize_)) {
    const std::uint32_t chunk = std::min(fragmentSize_, message_.Pending());
    const bool last = end && chunk == message_.Pending();
    const std::uint8_t control = last ? (controlHeader_ | DataTransferPdu::kLastFragment)
                                      : (controlHeader_ & DataTransferPdu::kCommand);
    DataTransferPdu::WriteHeader(stream_, chunk, contextId_, control);
    message_.FlushBytes(chunk);
    // PDUs leave in batches: one send per fragment costs more than the copying it saves.
    if (last || stream_.Pending() >= kSendBatch) stream_.Flush();
  }
}

// Moves the fragments of the current P-DATA-TF PDU into the message stream (or to `take`), up to
// the end of the PDU or of a message, whichever comes first.
Association::PdvResult Association::ReceivePdvs(PduReader& in, const FragmentTaker* take) {
  if (unread_ == 0) unread_ = DataTransferPdu::ReadLength(in);
  while (unread_ > 0 && !in.Failed()) {
    const DataTransferPdu::PdvHeader pdv = DataTransferPdu::ReadPdvHeader(in);
    if (in.Failed()) break;
    // A PDV that cannot hold its own header, or that reaches past its PDU, makes the PDU
    // unreadable.
    if (pdv.length < 2 || pdv.length > unread_ - std::min(unread_, 4u)) {
      return PdvResult::Unreadable;
    }
    const std::uint32_t fragment = pdv.length - 2;
    if (take != nullptr) {
      // A data set passed on must be one whole message on its command's context.
      if ((pdv.controlHeader & DataTransferPdu::kCommand) || pdv.contextId != contextId_)
        return PdvResult::Unreadable;
      if (!PassOn(fragment, *take)) return PdvResult::Lost;
    } else {
      if (fragment > kMaxMessageLength - message_.Buffered()) return PdvResult::Unreadable;
      if (!message_.ReadAhead(fragment)) return PdvResult::Lost;
    }
    unread_ -= pdv.length + 4;
    contextId_ = pdv.contextId;
    receivedControl_ = pdv.controlHeader;
    if (pdv.controlHeader & DataTransferPdu::kLastFragment) return PdvResult::Complete;
  }
  return in.Failed() ? PdvResult::Lost : PdvResult::Incomplete;
}

bool Association::PassOn(std::uint32_t fragment, const FragmentTaker& take) {
  constexpr std::uint32_t kPiece = 1 << 18;
  if (passOnBuffer_.empty()) passOnBuffer_.resize(kPiece);
  while (fragment > 0) {
    const std::uint32_t got = stream_.ReadSome(passOnBuffer_.data(), std::min(fragment, kPiece));
    if (got == 0) return false;
    take(passOnBuffer_.data(), got);
    fragment -= got;
  }
  return true;
}

int Association::Fail(bool abort) {
  const int error = socket_.LastError();
  // The user gave up: the association goes at once, as the service user ends it.
  if (error == TcpSocket::kInterrupted) {
    Abort();
    return 0;
  }
  if (abort) {
    AbortAndClose(AbortPdu::NotSpecified);
  } else {
    Close();
  }
  ended_ = error == TcpSocket::kTimedOut    ? AssociationEnd::TimedOut
           : error == TcpSocket::kTlsFailed ? AssociationEnd::TlsFailed
                                            : AssociationEnd::ConnectionClosed;
  return 0;
}

int Association::AbortAndClose(std::uint8_t reason) {
  abort_.source = AbortPdu::ServiceProvider;
  abort_.reason = reason;
  if (IsConnected()) abort_.Write(stream_);
  return End(AssociationEnd::ProtocolError);
}

int Association::ReceiveMessage(DataSet& dataSet) {
  if (!IsConnected()) return 0;
  PduReader in(stream_);
  return ReceivePdus(in, nullptr) ? Decode(dataSet) : 0;
}

int Association::ReceiveDataSet(const FragmentTaker& take) {
  if (!IsConnected()) return 0;
  PduReader in(stream_);
  return ReceivePdus(in, &take);
}

int Association::ReceivePdus(PduReader& in, const FragmentTaker* take) {
  if (unread_ > 0) {
    const PdvResult result = ReceivePdvs(in, take);
    if (result == PdvResult::Complete) return 1;
    if (result == PdvResult::Unreadable) return AbortAndClose(AbortPdu::NotSpecified);
    if (result == PdvResult::Lost) return Fail(true);
  }
  for (;;) {
    const std::uint8_t type = in.U8();
    if (in.Failed()) return Fail(true);
    switch (type) {
      case DataTransferPdu::kType:
        switch (ReceivePdvs(in, take)) {
          case PdvResult::Complete:
            return 1;
          case PdvResult::Incomplete:
            continue;
          case PdvResult::Unreadable:
            return AbortAndClose(AbortPdu::NotSpecified);
          case PdvResult::Lost:
            return Fail(true);
        }
        break;
      case AssociateRequestPdu::kType:
      case AssociateAcceptPdu::kType:
        // Read (up to the bound of an answer), so that the abort is not lost to a reset.
        SkipBody(in);
        return AbortAndClose(AbortPdu::UnexpectedPdu);
      case AssociateRejectPdu::kType:
        return AbortAndClose(AbortPdu::UnexpectedPdu);
      case ReleaseRequestPdu::kType:
        // A release request cut off inside its body is as unreadable as any other PDU.
        releaseRequest_.ReadBody(in);
        if (in.Failed()) return Fail(true);
        releaseResponse_.Write(stream_);
        return End(AssociationEnd::Released);
      case ReleaseResponsePdu::kType:
        // Unasked for, but the peer has let the association go all the same.
        return End(AssociationEnd::Released);
      case AbortPdu::kType:
        peerAbort_.ReadBody(in);
        return End(AssociationEnd::AbortedByPeer);
      default:
        return AbortAndClose(AbortPdu::UnrecognizedPdu);
    }
  }
}

bool Association::AwaitMessage() {
  if (!IsConnected() || unread_ > 0 || stream_.Buffered() > 0 || socket_.AwaitInput() != 0) {
    return true;
  }
  if (socket_.LastError() == TcpSocket::kInterrupted) return false;
  Fail(true);
  return true;
}

bool Association::StillConnected() {
  if (!IsConnected()) return false;
  // The rest of a P-DATA-TF PDU that ended the last message is the next exchange's business.
  if (unread_ > 0 || (stream_.Buffered() == 0 && !socket_.HasInput())) return true;
  PduReader in(stream_);
  const std::uint8_t type = in.U8();
  if (in.Failed()) return Fail(false);
  switch (type) {
    case ReleaseRequestPdu::kType:
      releaseRequest_.ReadBody(in);
      if (in.Failed()) return Fail(true);
      releaseResponse_.Write(stream_);
      return End(AssociationEnd::Released);
    case AbortPdu::kType:
      peerAbort_.ReadBody(in);
      return End(AssociationEnd::AbortedByPeer);
    default:
      SkipBody(in);
      return AbortAndClose(AbortPdu::UnexpectedPdu);
  }
}

void Association::SkipBody(PduReader& in) {
  in.U8();
  const std::uint32_t length = in.U32();
  if (!in.Failed() && length <= kMaxAcceptLength) in.Skip(length);
}

int Association::Decode(DataSet& dataSet) {
  const int decoded = DecodeMessage(dataSet);
  if (decoded && TraceLog()) TraceLog()->OnReceived(socket_.Handle(), dataSet);
  if (!decoded && ErrorLog()) ErrorLog()->OnReadFailed(socket_.Handle());
  return decoded;
}

int Association::DecodeMessage(DataSet& dataSet) {
  const auto context = std::find_if(accepted_.begin(), accepted_.end(),
                                    [&](const auto& c) { return c.id == contextId_; });
  const TransferSyntax syntax = context == accepted_.end() ? UnknownTransferSyntax
                                : MessageIsCommand()
                                    ? ImplicitLittleEndian
                                    : TransferSyntaxFromUid(context->transferSyntax.value.View());
  if (syntax == UnknownTransferSyntax) {
    message_.DiscardInput();
    return 0;
  }
  StreamCodec codec(message_, syntax);
  codec.ReadDataSet(dataSet);
  return codec.Status() == CodecStatus::Good ? 1 : 0;
}

int Association::Abort() {
  abort_.source = AbortPdu::ServiceUser;
  abort_.reason = AbortPdu::NotSpecified;
  if (IsConnected()) {
    abort_.Write(stream_);
    ended_ = AssociationEnd::Aborted;
  }
  return Close();
}

int Association::Release() {
  if (IsConnected()) {
    releaseRequest_.Write(stream_);
    PduReader in(stream_);
    in.U8();
    releaseResponse_.ReadBody(in);
    ended_ = AssociationEnd::Released;
  }
  Close();
  return 1;
}

}  // namespace dicom
