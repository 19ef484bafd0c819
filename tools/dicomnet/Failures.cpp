#include "tools/dicomnet/Failures.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/FileValueSource.h"

namespace dicomnet {

namespace {

using dicom::AbortPdu;
using dicom::AssociateRejectPdu;
using dicom::AssociationEnd;

// The socket falls back to a dotted address for a name it cannot resolve, so that a mistyped host
// shows as a connect failure; the name is looked up again to say what really went wrong.
bool HostResolves(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
  freeaddrinfo(found);
  return true;
}

struct Reason {
  std::uint8_t source, reason;
  const char* text;
};

constexpr Reason kRejectReasons[] = {
    {AssociateRejectPdu::ServiceUser, 1, "no reason given"},
    {AssociateRejectPdu::ServiceUser, 2, "application context not supported"},
    {AssociateRejectPdu::ServiceUser, 3, "calling AE title not recognized"},
    {AssociateRejectPdu::ServiceUser, 7, "called AE title not recognized"},
    {AssociateRejectPdu::ServiceProviderAcse, 1, "no reason given"},
    {AssociateRejectPdu::ServiceProviderAcse, 2, "protocol version not supported"},
    {AssociateRejectPdu::ServiceProviderPresentation, 1, "temporary congestion"},
    {AssociateRejectPdu::ServiceProviderPresentation, 2, "local limit exceeded"},
};

constexpr const char* kAbortReasons[] = {"reason not specified",
                                         "unrecognized PDU",
                                         "unexpected PDU",
                                         nullptr,
                                         "unrecognized PDU parameter",
                                         "unexpected PDU parameter",
                                         "invalid PDU parameter value"};

std::string RejectText(const AssociateRejectPdu& reject) {
  std::string text = "association rejected (";
  text += reject.result == AssociateRejectPdu::Permanent ? "permanent"
          : reject.result == AssociateRejectPdu::Transient
              ? "transient"
              : "result " + std::to_string(reject.result);
  text += reject.source == AssociateRejectPdu::ServiceUser ? ") by the called application: "
          : reject.source == AssociateRejectPdu::ServiceProviderAcse
              ? ") by the peer's association service: "
          : reject.source == AssociateRejectPdu::ServiceProviderPresentation
              ? ") by the peer's presentation service: "
              : ") by source " + std::to_string(reject.source) + ": ";
  for (const Reason& known : kRejectReasons)
    if (known.source == reject.source && known.reason == reject.reason) return text + known.text;
  return text + "reason " + std::to_string(reject.reason);
}

std::string AbortText(const AbortPdu& abort) {
  const std::string source = abort.source == AbortPdu::ServiceUser ? "service user"
                             : abort.source == AbortPdu::ServiceProvider
                                 ? "service provider"
                                 : "source " + std::to_string(abort.source);
  const bool known = abort.reason < std::size(kAbortReasons) && kAbortReasons[abort.reason];
  return source + ", " +
         (known ? kAbortReasons[abort.reason] : "reason " + std::to_string(abort.reason));
}

std::string ConnectFailure(const dicom::Association& association, const NetworkOptions& options,
                           const std::string& peer) {
  if (!HostResolves(options.host)) return "host not found: " + options.host;
  const int error = association.Socket().LastError();
  if (error == ECONNREFUSED) return "connection refused by " + peer;
  if (error == ETIMEDOUT)
    return "time-out: no connection to " + peer + " within " + std::to_string(options.timeout) +
           " s";
  if (error > 0) return "cannot connect to " + peer + ": " + std::strerror(error);
  return "cannot connect to " + peer;
}

}  // namespace

std::string TlsFailureText(const dicom::TcpSocket& socket, const std::string& peer) {
  using dicom::TlsFailure;
  const std::string& detail = socket.TlsDetail();
  std::string text = "TLS failed: ";
  switch (socket.TlsFailed()) {
    case TlsFailure::Setup:
      return text + "cannot set it up here: " + detail;
    case TlsFailure::NotTrusted:
      return text + "the certificate of " + peer +
             " is not trusted: no configured authority signed it (" + detail + ")";
    case TlsFailure::Expired:
      return text + "the certificate of " + peer + " has expired or is not valid yet (" + detail +
             ")";
    case TlsFailure::NameMismatch:
      return text + "the certificate of " + peer + " is for another host name or address (" +
             detail + ")";
    case TlsFailure::NoPeerCertificate:
      return text + peer + " sent no certificate, though one is required";
    case TlsFailure::RefusedByPeer:
      return text + peer + " refused this side's certificate (" + detail + ")";
    case TlsFailure::CertificateRequired:
      return text + peer + " requires a certificate from this side (--cert and --key)";
    case TlsFailure::NotTls:
      return text + peer + " does not speak TLS";
    case TlsFailure::Handshake:
      return text + "the handshake with " + peer + " failed: " + detail;
    case TlsFailure::Broken:
      return text + "the connection with " + peer + " broke: " + detail;
    case TlsFailure::None:
      break;
  }
  return text + "no reason known";
}

std::string AssociationFailure(const dicom::Association& association,
                               const NetworkOptions& options) {
  const std::string peer = options.host + ':' + options.port;
  // The answer to the request tells whether the association was ever set up.
  const bool setUp = association.AnswerType() == dicom::AssociateAcceptPdu::kType;
  switch (association.Ended()) {
    case AssociationEnd::NoConnection:
      return ConnectFailure(association, options, peer);
    case AssociationEnd::TlsFailed:
      return TlsFailureText(association.Socket(), peer);
    case AssociationEnd::TimedOut:
      return "time-out: " + peer + " said nothing for " + std::to_string(options.timeout) + " s " +
             (setUp ? "while a response was awaited" : "after the association request");
    case AssociationEnd::ConnectionClosed:
      return peer + " closed the connection " +
             (setUp ? "before the exchange ended" : "without answering the association request");
    case AssociationEnd::Rejected:
      return RejectText(association.Rejection());
    case AssociationEnd::AbortedByPeer:
      return "association aborted by the peer (" + AbortText(association.PeerAbort()) + ")";
    case AssociationEnd::NoContextAccepted:
      return "the peer accepted none of the proposed presentation contexts";
    case AssociationEnd::BadAnswer:
      if (setUp) {
        return "the peer's A-ASSOCIATE-AC could not be read (over 1 MiB, or items reaching past "
               "its end)";
      }
      char type[8];
      std::snprintf(type, sizeof type, "0x%02X", association.AnswerType());
      return "the peer answered the association request with a PDU of type " + std::string(type);
    case AssociationEnd::ProtocolError:
      return "the peer sent a PDU that made no sense here; association aborted (" +
             AbortText(association.SentAbort()) + ")";
    case AssociationEnd::Released:
      return "the peer released the association before the exchange ended";
    case AssociationEnd::Aborted:
      return "association aborted by this side";
    case AssociationEnd::None:
      break;
  }
  return "a message from " + peer + " could not be decoded";
}

bool ReadObject(const std::string& path, dicom::DicomFile& file, dicom::DataSet& object,
                std::string& why, bool leaveInFile) {
  file.open(path, std::ios::in | std::ios::binary);
  if (!file.is_open()) {
    why = std::string("cannot open it: ") + std::strerror(errno);
    return false;
  }
  if (leaveInFile) file.DeferValues(dicom::FileValueSource::Open(path), dicom::kLeftInFileFrom);
  const bool read = file.Read(object);
  // Without a meta header, a file whose first element does not decode is not DICOM at all.
  if (!file.HasMetaHeader() && object.Empty()) {
    why = "not a DICOM file";
    return false;
  }
  // A file cut short reads without its last element; nothing is stored or listed as whole that
  // is not.
  if (read && file.Status() == dicom::CodecStatus::Good) return true;
  char tag[16];
  std::snprintf(tag, sizeof tag, "(%04X,%04X)", dicom::TagGroup(file.FailedTag()),
                dicom::TagElement(file.FailedTag()));
  const std::string after = " after " + std::to_string(object.Size()) + " elements";
  // A deflate stream that breaks between elements has no element to name.
  const std::string at = file.FailedTag() == 0 ? "" : " at " + std::string(tag);
  why = read ? "the file ends inside " + std::string(tag) + after
             : "decoding failed" + at + after + ": " + std::string(dicom::Describe(file.Status()));
  return false;
}

}  // namespace dicomnet
