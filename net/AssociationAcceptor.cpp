#include "net/AssociationAcceptor.h"

#include <algorithm>

#include "data/FileMetaHeader.h"
#include "net/ProtocolLog.h"

namespace dicom {
namespace {

// AE titles compare without their padding: leading and trailing spaces carry no meaning.
std::string_view Trimmed(std::string_view title) {
  const std::size_t first = title.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return title.substr(first, title.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool AssociationAcceptor::ReadRequest(Association& association) const {
  PduReader in(association.stream_);
  const std::uint8_t type = in.U8();
  if (in.Failed()) return false;
  if (type != AssociateRequestPdu::kType) {
    // A peer's abort needs no answer; anything else is answered with one.
    if (type == AbortPdu::kType) association.Close();
    association.abort_.reason = type >= AssociateAcceptPdu::kType && type <= AbortPdu::kType
                                    ? AbortPdu::UnexpectedPdu
                                    : AbortPdu::UnrecognizedPdu;
    return false;
  }
  in.U8();
  const std::uint32_t length = in.U32();
  if (in.Failed() || length < AssociateRequestPdu::kFixedLength ||
      length > Association::kMaxAcceptLength) {
    return false;
  }
  return association.request_.ReadRest(in, length);
}

bool AssociationAcceptor::Refuses(const AssociateRequestPdu& request, std::uint32_t peerAddress,
                                  AssociateRejectPdu& rejection) const {
  rejection.result = AssociateRejectPdu::Permanent;
  // A peer from elsewhere learns no more than that its title is not known here.
  if (accepts_ && !accepts_(peerAddress)) {
    rejection.source = AssociateRejectPdu::ServiceUser;
    rejection.reason = AssociateRejectPdu::CallingTitleNotRecognized;
    return true;
  }
  if ((request.protocolVersion & kProtocolVersion) == 0) {
    rejection.source = AssociateRejectPdu::ServiceProviderAcse;
    rejection.reason = AssociateRejectPdu::ProtocolVersionNotSupported;
    return true;
  }
  rejection.source = AssociateRejectPdu::ServiceUser;
  if (request.applicationContext.value.View() != kApplicationContext) {
    rejection.reason = AssociateRejectPdu::ApplicationContextNotSupported;
    return true;
  }
  if (!ownTitle_.empty() && Trimmed(request.CalledTitle()) != Trimmed(ownTitle_)) {
    rejection.reason = AssociateRejectPdu::CalledTitleNotRecognized;
    return true;
  }
  return false;
}

PresentationContextAccept AssociationAcceptor::Negotiate(
    const PresentationContext& proposal) const {
  PresentationContextAccept answer;
  answer.id = proposal.id;
  const auto known = std::find_if(
      proposal.transferSyntaxes.begin(), proposal.transferSyntaxes.end(),
      [this](const TransferSyntaxItem& s) {
        const TransferSyntax syntax = TransferSyntaxFromUid(s.value.View());
        if (syntax == ImplicitLittleEndian || syntax == ExplicitLittleEndian ||
            syntax == ExplicitBigEndian)
          return true;
        return syntax != UnknownTransferSyntax && takesExtra_ && takesExtra_(s.value.View());
      });
  if (!serves_ || !serves_(proposal.abstractSyntax.value.View())) {
    answer.result = PresentationContextAccept::AbstractSyntaxNotSupported;
  } else if (known == proposal.transferSyntaxes.end()) {
    answer.result = PresentationContextAccept::TransferSyntaxesNotSupported;
  } else {
    answer.result = PresentationContextAccept::Acceptance;
  }
  // A rejected context carries a transfer syntax too, though it means nothing there.
  if (known != proposal.transferSyntaxes.end()) {
    answer.transferSyntax = *known;
  } else if (!proposal.transferSyntaxes.empty()) {
    answer.transferSyntax = proposal.transferSyntaxes.front();
  }
  return answer;
}

AssociationAcceptor::Outcome AssociationAcceptor::Accept(Association& association,
                                                         int handle) const {
  association.Reset();
  association.accepted_.clear();
  association.ended_ = AssociationEnd::None;
  if (!association.socket_.Adopt(handle)) {
    association.ended_ = AssociationEnd::TlsFailed;
    return Outcome::Failed;
  }
  association.abort_.reason = AbortPdu::NotSpecified;
  if (!ReadRequest(association)) {
    association.AbortAndClose(association.abort_.reason);
    return Outcome::Failed;
  }
  const AssociateRequestPdu& request = association.request_;
  const int connection = association.socket_.Handle();

  AssociateRejectPdu& rejection = association.reject_;
  if (Refuses(request, association.socket_.PeerAddress(), rejection)) {
    rejection.Write(association.stream_);
    if (TraceLog()) {
      TraceLog()->OnRejectAssociation(connection, rejection.result, rejection.source,
                                      rejection.reason);
    }
    association.Close();
    return Outcome::Rejected;
  }

  AssociateAcceptPdu& accept = association.accept_;
  accept.protocolVersion = kProtocolVersion;
  accept.SetCalledTitle(request.CalledTitle());
  accept.SetCallingTitle(request.CallingTitle());
  accept.applicationContext = request.applicationContext;
  accept.presentationContexts.clear();
  for (const PresentationContext& proposal : request.presentationContexts) {
    accept.presentationContexts.push_back(Negotiate(proposal));
    if (accept.presentationContexts.back().result == PresentationContextAccept::Acceptance)
      association.accepted_.push_back(accept.presentationContexts.back());
  }
  UserInformationItem& user = accept.userInformation;
  user.maximumLength.maximumLength = Association::kProposedMaximumLength;
  user.implementationClassUid.value = FileMetaHeader::kImplementationClassUid;
  user.implementationVersionName.value = FileMetaHeader::kImplementationVersionName;
  accept.Write(association.stream_);
  if (TraceLog()) TraceLog()->OnAcceptAssociation(connection);
  return Outcome::Established;
}

}  // namespace dicom
