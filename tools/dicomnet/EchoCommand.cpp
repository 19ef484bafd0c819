#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "dimse/CEchoScu.h"
#include "dimse/CommandTags.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {

namespace {

constexpr const char* kEchoUsage =
    "usage: dicomnet echo [-aet AE] [-aec AE] [--trace] [--timeout SECONDS] HOST PORT\n";

// The socket falls back to a dotted address for a name it cannot resolve, so that a mistyped
// host would show as a connect failure; the name is checked first to say what really went wrong.
bool HostResolves(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
  freeaddrinfo(found);
  return true;
}

// The reasons of an A-ASSOCIATE-RJ in words, by source and reason.
struct RejectReason {
  std::uint8_t source, reason;
  const char* text;
};
constexpr RejectReason kRejectReasons[] = {
    {dicom::AssociateRejectPdu::ServiceUser, 1, "no reason given"},
    {dicom::AssociateRejectPdu::ServiceUser, 2, "application context not supported"},
    {dicom::AssociateRejectPdu::ServiceUser, 3, "calling AE title not recognized"},
    {dicom::AssociateRejectPdu::ServiceUser, 7, "called AE title not recognized"},
    {dicom::AssociateRejectPdu::ServiceProviderAcse, 1, "no reason given"},
    {dicom::AssociateRejectPdu::ServiceProviderAcse, 2, "protocol version not supported"},
    {dicom::AssociateRejectPdu::ServiceProviderPresentation, 1, "temporary congestion"},
    {dicom::AssociateRejectPdu::ServiceProviderPresentation, 2, "local limit exceeded"},
};

std::string RejectText(const dicom::AssociateRejectPdu& reject) {
  using Pdu = dicom::AssociateRejectPdu;
  std::string text = "association rejected (";
  text += reject.result == Pdu::Permanent   ? "permanent"
          : reject.result == Pdu::Transient ? "transient"
                                            : "result " + std::to_string(reject.result);
  text += reject.source == Pdu::ServiceUser           ? ") by the called application: "
          : reject.source == Pdu::ServiceProviderAcse ? ") by the peer's association service: "
          : reject.source == Pdu::ServiceProviderPresentation
              ? ") by the peer's presentation service: "
              : ") by source " + std::to_string(reject.source) + ": ";
  for (const RejectReason& known : kRejectReasons)
    if (known.source == reject.source && known.reason == reject.reason) return text + known.text;
  return text + "reason " + std::to_string(reject.reason);
}

// Why the association was not set up, from what the socket and the association keep.
std::string AssociationFailure(dicom::Association& association, const NetworkOptions& options) {
  const std::string peer = options.host + ':' + options.port;
  const int error = association.Socket().LastError();
  switch (association.AnswerType()) {
    case dicom::AssociateRejectPdu::kType:
      return RejectText(association.Rejection());
    case dicom::AbortPdu::kType:
      return "association aborted by the peer";
    case dicom::AssociateAcceptPdu::kType:
      return "the peer did not accept the Verification service";
    case 0:
      break;
    default:
      return "the peer answered the association request with an unexpected PDU of type " +
             std::to_string(association.AnswerType());
  }
  if (error == dicom::TcpSocket::kTimedOut)
    return "time-out: " + peer + " did not answer the association request within " +
           std::to_string(options.timeout) + " s";
  if (error == dicom::TcpSocket::kClosedByPeer)
    return peer + " closed the connection without answering the association request";
  if (error == ECONNREFUSED) return "connection refused by " + peer;
  if (error == ETIMEDOUT)
    return "time-out: no connection to " + peer + " within " + std::to_string(options.timeout) +
           " s";
  if (error != 0) return "cannot connect to " + peer + ": " + std::strerror(error);
  return "cannot connect to " + peer;
}

}  // namespace

int RunEcho(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<NetworkOptions> options = ParseNetworkOptions(args, 0, error);
  if (!options) {
    std::cerr << "dicomnet echo: " << error << '\n' << kEchoUsage;
    return 2;
  }
  if (!HostResolves(options->host)) {
    std::cerr << "dicomnet echo: host not found: " << options->host << '\n';
    return 1;
  }
  const TraceScope trace(options->trace);
  dicom::Association association;
  const std::string_view verification = dicom::kVerificationSopClass;
  if (!OpenAssociation(association, *options, {&verification, 1})) {
    std::cerr << "dicomnet echo: " << AssociationFailure(association, *options) << '\n';
    return 1;
  }
  const dicom::CEchoScu echo;
  std::uint16_t status = 0;
  dicom::DataSet response;
  if (!echo.SendRequest(association)) {
    std::cerr << "dicomnet echo: the C-ECHO request could not be sent\n";
    return 1;
  }
  if (!echo.ReceiveResponse(status, response, association)) {
    std::cerr << "dicomnet echo: "
              << (association.Socket().LastError() == dicom::TcpSocket::kTimedOut
                      ? "time-out: no C-ECHO response within " + std::to_string(options->timeout) +
                            " s"
                      : std::string("no C-ECHO response, the peer ended the association"))
              << '\n';
    return 1;
  }
  association.Release();
  if (status != dicom::kStatusSuccess) {
    std::cerr << "dicomnet echo: the peer answered with status " << StatusText(status) << '\n';
    return 1;
  }
  std::cout << "echo OK: " << options->calledTitle << " at " << options->host << ':'
            << options->port << " answered " << options->callingTitle << '\n';
  return 0;
}

}  // namespace dicomnet
