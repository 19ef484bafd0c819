#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/ByteStream.h"
#include "data/DataSet.h"
#include "data/TransferSyntax.h"
#include "net/MessageStream.h"
#include "net/TcpSocket.h"
#include "net/pdu/AbortPdu.h"
#include "net/pdu/AssociateAcceptPdu.h"
#include "net/pdu/AssociateRejectPdu.h"
#include "net/pdu/AssociateRequestPdu.h"
#include "net/pdu/DataTransferPdu.h"
#include "net/pdu/ReleasePdu.h"

namespace dicom {

// How the last association ended, or why it was never set up: kept so that a caller can say why.
enum class AssociationEnd : std::uint8_t {
  None,               // set up and still standing, or never requested
  NoConnection,       // no TCP connection (the socket's last error says why)
  TlsFailed,          // the TLS handshake or session failed (the socket's TlsFailed() says why)
  TimedOut,           // the peer said nothing within the receive time-out; this side aborted
  ConnectionClosed,   // the peer closed or reset the connection
  Rejected,           // A-ASSOCIATE-RJ, see Rejection()
  AbortedByPeer,      // A-ABORT from the peer, see PeerAbort()
  NoContextAccepted,  // an A-ASSOCIATE-AC that accepted none of the proposed contexts
  BadAnswer,          // the request was answered by another PDU, or by an unreadable A-ASSOCIATE-AC
  ProtocolError,      // a PDU that made no sense inside an exchange; this side aborted
  Released,           // orderly release, asked for by either side
  Aborted,            // this side's service user aborted, or its user gave up on a wait
};

// One association requested by this system over one TCP connection: negotiation, DIMSE messages
// in P-DATA-TF PDUs in both directions, and release or abort. Every abnormal end closes the
// connection and leaves the association idle, ready for the next Request.
class Association {
 public:
  static constexpr std::string_view kImplicitLittleEndianUid = "1.2.840.10008.1.2";
  static constexpr std::uint32_t kProposedMaximumLength = 16384;
  static constexpr std::uint32_t kMaxFragment = 4096;
  // Outgoing P-DATA-TF PDUs are handed to the socket once this much is pending.
  static constexpr std::uint32_t kSendBatch = 256 << 10;
  // An A-ASSOCIATE-AC announcing more than this is refused unread.
  static constexpr std::uint32_t kMaxAcceptLength = 1 << 20;
  // A received message (all its fragments together) larger than this is refused like an
  // unreadable PDU, so that memory stays bounded whatever a peer announces.
  static constexpr std::uint32_t kMaxMessageLength = 1u << 30;
  // The largest P-DATA-TF PDU this side sends when it follows the peer's maximum.
  static constexpr std::uint32_t kLargestSendPdu = 131072;
  // Takes the bytes of a message that is passed on as it arrives instead of being held.
  using FragmentTaker = std::function<void(const std::uint8_t* bytes, std::uint32_t count)>;

  Association();
  Association(const Association&) = delete;
  Association& operator=(const Association&) = delete;
  // Releases a connected association.
  ~Association();

  void SetCallingTitle(std::string_view title) { request_.SetCallingTitle(title); }
  void SetCalledTitle(std::string_view title) { request_.SetCalledTitle(title); }
  void SetApplicationContext(std::string_view name) { request_.applicationContext.value = name; }
  // With a maximum (bytes of a P-DATA-TF PDU after its length field), outgoing PDUs carry as much
  // as both it and the peer's announced maximum allow; 0, the default, keeps 4096-byte fragments
  // whatever the peer announced.
  void SetMaxSendPdu(std::uint32_t maximum) {
    maxSendPdu_ = maximum;
    followPeer_ = false;
  }
  // Outgoing PDUs as large as the peer's announced maximum, up to kLargestSendPdu; 4096 data
  // bytes when it announces none. A maximum set with SetMaxSendPdu counts no more.
  void FollowPeerMaximum() { followPeer_ = true; }
  // Forgets the abstract syntaxes and the role selections.
  int ClearAbstractSyntaxes();
  // Appends the UID unless it is already listed, proposed with implicit VR little-endian only.
  int AddAbstractSyntax(std::string_view uid);
  // The same with these transfer syntaxes, in this order of preference.
  int AddAbstractSyntax(std::string_view uid, std::span<const std::string_view> transferSyntaxes);
  // One more context for the abstract syntax even when it is listed already, so that an object can
  // be offered in its own syntax on one context and in the plain ones on another.
  int AddPresentationContext(std::string_view uid,
                             std::span<const std::string_view> transferSyntaxes);
  // Proposes these roles for the SOP class in a role selection sub-item: a side that is to serve
  // C-STORE sub-operations on this association asks for the SCP role (scu 0, scp 1).
  void AddRoleSelection(std::string_view sopClassUid, std::uint8_t scuRole, std::uint8_t scpRole);

  // 1 when the peer accepted at least one presentation context.
  int Request(const char* host, const char* port);
  // The type of the PDU that answered the last Request (A-ASSOCIATE-AC, -RJ or A-ABORT), 0 when
  // none arrived, so that a caller can say why an association was not set up.
  std::uint8_t AnswerType() const { return answerType_; }
  // The peer's A-ASSOCIATE-RJ, when that was the answer.
  const AssociateRejectPdu& Rejection() const { return reject_; }
  AssociationEnd Ended() const { return ended_; }
  // The peer's A-ABORT, when it sent one; the last one this side sent.
  const AbortPdu& PeerAbort() const { return peerAbort_; }
  const AbortPdu& SentAbort() const { return abort_; }
  bool IsConnected() const { return socket_.IsConnected(); }
  // Between exchanges, before the next one: takes without waiting what the peer did while the
  // association was idle. An archive closes an idle association after a while, by closing the
  // connection, by an A-RELEASE-RQ (answered with an A-RELEASE-RP) or by an A-ABORT; anything else
  // unasked for gets an A-ABORT. Each of these closes, and the caller sets up a new association
  // instead of failing once on the dead one. True when the association still stands.
  bool StillConnected();
  // 1 when the data set was encoded and handed to the connection; 0 when no proposed context for
  // the abstract syntax was accepted with that transfer syntax, or the data set cannot be encoded.
  int SendMessage(std::uint8_t controlHeader, const DataSet& dataSet,
                  std::string_view abstractSyntaxUid, TransferSyntax syntax);
  // As a service provider answers: on the context of the request, which must have been accepted,
  // whatever abstract syntax it carries.
  int SendMessageOnContext(std::uint8_t controlHeader, const DataSet& dataSet,
                           std::uint8_t contextId, TransferSyntax syntax);
  // Before a receive: waits until the next message begins to arrive. True when a receive can
  // start: bytes are there, or the association has ended (closed, aborted by the peer, or timed
  // out here), which the receive then reports at once. False only when the wait was interrupted
  // (InterruptWaits): the association still stands, so that the caller can cancel its operation
  // on it (C-CANCEL) or abort it.
  bool AwaitMessage();
  // 1 when a complete message arrived and decoded into the data set. A command always decodes in
  // implicit VR little-endian, a data set in the syntax accepted for its context.
  int ReceiveMessage(DataSet& dataSet);
  // A data set message on the context of the command before it, passed to `take` piece by piece
  // as its fragments arrive, never held whole and so of any size. 1 when it arrived complete; 0
  // when the association ended (a command, or a fragment on another context, is a protocol error
  // and aborts it).
  int ReceiveDataSet(const FragmentTaker& take);
  // The presentation context of the message last received, and whether it was a command.
  std::uint8_t MessageContextId() const { return contextId_; }
  bool MessageIsCommand() const { return receivedControl_ & DataTransferPdu::kCommand; }
  // Orderly release when connected; always closes. Returns 1.
  int Release();
  // A-ABORT from the service user, for a peer whose messages make no sense; closes. Returns 0.
  int Abort();
  int Flush() { return stream_.Flush(); }

  const std::vector<PresentationContextAccept>& AcceptedContexts() const { return accepted_; }
  // The first proposed context of the abstract syntax that the peer accepted with this transfer
  // syntax; 0 when there is none.
  std::uint8_t AcceptedContextFor(std::string_view abstractSyntaxUid,
                                  std::string_view transferSyntaxUid) const;
  // The abstract syntax proposed for a context the peer accepted; empty for any other id.
  std::string_view AcceptedAbstractSyntax(std::uint8_t contextId) const;
  // The role selection the peer answered for the SOP class, or none when it sent none (the
  // default roles then apply).
  const RoleSelectionItem* PeerRoleSelection(std::string_view sopClassUid) const;
  const AssociateRequestPdu& RequestPdu() const { return request_; }
  TcpSocket& Socket() { return socket_; }
  const TcpSocket& Socket() const { return socket_; }

 private:
  // Sets up an association from the other side: reads the peer's request, answers it on the
  // association's own stream and leaves the accepted contexts here.
  friend class AssociationAcceptor;

  // The stream the PDUs travel on, over the socket.
  class SocketStream : public ByteStream {
   public:
    explicit SocketStream(TcpSocket& socket) : socket_(socket) {}

   protected:
    int ReadRaw(std::uint8_t* buffer, std::uint32_t capacity) override {
      return socket_.Receive(buffer, capacity);
    }
    int WriteRaw(const std::uint8_t* buffer, std::uint32_t length) override {
      return socket_.Send(buffer, length);
    }

   private:
    TcpSocket& socket_;
  };

  // Unreadable: a PDV that cannot be; Lost: the connection failed or timed out on the way.
  enum class PdvResult { Complete, Incomplete, Unreadable, Lost };

  static std::uint32_t FragmentSize(std::uint32_t ownMaximum, std::uint32_t peerMaximum);
  void Reset();
  PdvResult ReceivePdvs(PduReader& in, const FragmentTaker* take);
  // Passes a fragment on to `take` in pieces; false when the connection failed on the way.
  bool PassOn(std::uint32_t fragment, const FragmentTaker& take);
  // The PDUs of one message, up to its last fragment, into the message stream or to `take`: 1
  // when it is complete, else 0 and the association has ended.
  int ReceivePdus(PduReader& in, const FragmentTaker* take);
  int Send(std::uint8_t controlHeader, const DataSet& dataSet, std::string_view abstractSyntaxUid,
           TransferSyntax syntax);
  int Transmit(std::uint8_t controlHeader, const DataSet& dataSet, TransferSyntax syntax);
  void SendFragments(bool end);
  // Decodes a complete message and tells the protocol log how it went.
  int Decode(DataSet& dataSet);
  int DecodeMessage(DataSet& dataSet);
  // Ends the association after a failed read (time-out, lost connection): closes, inside an
  // exchange after an A-ABORT, which goes out while the connection still stands.
  int Fail(bool abort);
  // After a PDU that made no sense inside an exchange: A-ABORT with that reason, then close.
  int AbortAndClose(std::uint8_t reason);
  int Close();
  // Closes, keeping why.
  int End(AssociationEnd why);
  int ReadAccept(PduReader& in);
  void SkipBody(PduReader& in);

  TcpSocket socket_;
  SocketStream stream_{socket_};
  MessageStream message_{stream_};

  AssociateRequestPdu request_;
  AssociateAcceptPdu accept_;
  AssociateRejectPdu reject_;
  ReleaseRequestPdu releaseRequest_;
  ReleaseResponsePdu releaseResponse_;
  AbortPdu abort_;
  AbortPdu peerAbort_;
  AssociationEnd ended_ = AssociationEnd::None;

  struct Proposal {
    std::string abstractSyntax;
    std::vector<std::string> transferSyntaxes;
  };
  std::vector<Proposal> proposals_;
  std::vector<RoleSelectionItem> roleSelections_;
  std::vector<PresentationContextAccept> accepted_;

  // Transfer state: bytes of the incoming P-DATA-TF PDU not yet read (a PDU may end one message
  // and start the next), and the context of the message in transfer.
  std::uint32_t unread_ = 0;
  std::uint8_t contextId_ = 0;
  std::uint8_t controlHeader_ = 0;
  std::uint8_t receivedControl_ = 0;
  std::uint8_t answerType_ = 0;
  std::uint32_t maxSendPdu_ = 0;
  bool followPeer_ = false;
  std::uint32_t fragmentSize_ = kMaxFragment;
  std::vector<std::uint8_t> passOnBuffer_;
};

}  // namespace dicom
