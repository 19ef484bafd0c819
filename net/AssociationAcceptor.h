#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "net/Association.h"

namespace dicom {

// The acceptor's side of setting up an association: reads the peer's A-ASSOCIATE-RQ from an
// accepted connection and answers it. The association it leaves established then carries
// messages as any other.
class AssociationAcceptor {
 public:
  static constexpr std::string_view kApplicationContext = "1.2.840.10008.3.1.1.1";

  enum class Outcome {
    Established,  // A-ASSOCIATE-AC sent, possibly with every context rejected
    Rejected,     // A-ASSOCIATE-RJ sent; the connection is closed
    Failed,       // no request could be read: A-ABORT sent where possible, the connection closed
  };

  // The title the peer must call; an empty one answers to any.
  void SetOwnTitle(std::string_view title) { ownTitle_ = title; }
  // Which abstract syntaxes are served; none unless set.
  void SetAbstractSyntaxes(std::function<bool(std::string_view uid)> serves) {
    serves_ = std::move(serves);
  }
  // Which transfer syntaxes are taken besides the three plain ones (implicit and explicit VR
  // little-endian, explicit VR big-endian); none unless set.
  void SetExtraTransferSyntaxes(std::function<bool(std::string_view uid)> takes) {
    takesExtra_ = std::move(takes);
  }

  // Which peers, by IPv4 address (network order), may set up an association; a request from any
  // other is rejected as from an unknown calling title. Unset, the default: anyone.
  void AcceptOnlyFrom(std::function<bool(std::uint32_t address)> accepts) {
    accepts_ = std::move(accepts);
  }

  // Takes over the connection on the association's socket (with the time-out set there), reads
  // the request and answers it.
  Outcome Accept(Association& association, int handle) const;

 private:
  // The result for one proposed context: its abstract syntax served, and the first of its
  // transfer syntaxes that is plain or one of the extra ones. A sender lists the object's own
  // syntax first, so an object we can take as it is arrives unchanged.
  PresentationContextAccept Negotiate(const PresentationContext& proposal) const;
  // The request as far as it could be read; false when the peer sent no readable A-ASSOCIATE-RQ.
  bool ReadRequest(Association& association) const;
  // Why the request is refused as a whole, if it is: result, source and reason of the
  // A-ASSOCIATE-RJ.
  bool Refuses(const AssociateRequestPdu& request, std::uint32_t peerAddress,
               AssociateRejectPdu& rejection) const;

  std::string ownTitle_;
  std::function<bool(std::string_view)> serves_;
  std::function<bool(std::string_view)> takesExtra_;
  std::function<bool(std::uint32_t)> accepts_;
};

}  // namespace dicom
