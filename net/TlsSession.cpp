#include "net/TlsSession.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace dicom {
namespace {

// The bytes travel through a transport of our own rather than OpenSSL's socket one, so that a
// peer gone away cannot raise SIGPIPE in the host process and no call ever blocks; it also sees
// the first byte the peer sent, which tells a peer that does not speak TLS.
struct Transport {
  int handle = -1;
  int firstByte = -1;
};

Transport& TransportOf(BIO* bio) {
  return *static_cast<Transport*>(BIO_get_data(bio));
}

int TransportWrite(BIO* bio, const char* data, int length) {
  BIO_clear_retry_flags(bio);
  ssize_t sent;
  do {
    sent = send(TransportOf(bio).handle, data, static_cast<std::size_t>(length),
                MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_write(bio);
  return sent < 0 ? -1 : static_cast<int>(sent);
}

int TransportRead(BIO* bio, char* data, int capacity) {
  BIO_clear_retry_flags(bio);
  Transport& transport = TransportOf(bio);
  ssize_t received;
  do {
    received = recv(transport.handle, data, static_cast<std::size_t>(capacity), MSG_DONTWAIT);
  } while (received < 0 && errno == EINTR);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) BIO_set_retry_read(bio);
  if (received > 0 && transport.firstByte < 0)
    transport.firstByte = static_cast<unsigned char>(data[0]);
  return received < 0 ? -1 : static_cast<int>(received);
}

long TransportControl(BIO*, int command, long, void*) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int TransportCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

BIO_METHOD* TransportMethod() {
  static BIO_METHOD* const method = [] {
    BIO_METHOD* created = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "dicom socket");
    BIO_meth_set_write(created, TransportWrite);
    BIO_meth_set_read(created, TransportRead);
    BIO_meth_set_ctrl(created, TransportControl);
    BIO_meth_set_create(created, TransportCreate);
    return created;
  }();
  return method;
}

// OpenSSL's words for the oldest error it holds, which is where the trouble began.
std::string OpenSslReason() {
  const unsigned long error = ERR_peek_error();
  const char* reason = error == 0 ? nullptr : ERR_reason_error_string(error);
  return reason == nullptr ? std::string() : std::string(reason);
}

bool IsDottedAddress(const char* name) {
  in_addr address{};
  return inet_pton(AF_INET, name, &address) == 1;
}

// Alerts by which a peer turns down this side's certificate, or the lack of one.
bool IsCertificateRefusal(int reason) {
  switch (reason) {
    case SSL_R_TLSV1_ALERT_UNKNOWN_CA:
    case SSL_R_SSLV3_ALERT_BAD_CERTIFICATE:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_EXPIRED:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_UNKNOWN:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_REVOKED:
    case SSL_R_SSLV3_ALERT_UNSUPPORTED_CERTIFICATE:
      return true;
    default:
      return false;
  }
}

}  // namespace

struct TlsSession::State {
  ~State() {
    SSL_free(ssl);
    SSL_CTX_free(context);
  }
  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  Transport transport;
  bool established = false;
};

TlsSession::TlsSession(std::unique_ptr<State> state) : state_(std::move(state)) {}

TlsSession::~TlsSession() = default;

std::unique_ptr<TlsSession> TlsSession::Create(int handle, const TlsConfig& config, bool server,
                                               const char* peerName, TlsFailure& failure,
                                               std::string& detail) {
  ERR_clear_error();
  auto state = std::make_unique<State>();
  state->transport.handle = handle;
  const auto refuse = [&](const std::string& what) {
    failure = TlsFailure::Setup;
    const std::string reason = OpenSslReason();
    detail = reason.empty() ? what : what + ": " + reason;
    ERR_clear_error();
    return nullptr;
  };
  SSL_CTX* context = SSL_CTX_new(server ? TLS_server_method() : TLS_client_method());
  if (context == nullptr) return refuse("no TLS context");
  state->context = context;
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  // A peer that closes without the close notification has simply closed.
  SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
  SSL_CTX_set_mode(context, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);

  if (server && (config.certFile.empty() || config.keyFile.empty()))
    return refuse("an acceptor needs a certificate and its key");
  if (!config.certFile.empty() &&
      SSL_CTX_use_certificate_chain_file(context, config.certFile.c_str()) != 1) {
    return refuse("cannot use the certificate " + config.certFile);
  }
  if (!config.keyFile.empty()) {
    if (SSL_CTX_use_PrivateKey_file(context, config.keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
      return refuse("cannot use the key " + config.keyFile);
    if (SSL_CTX_check_private_key(context) != 1)
      return refuse("the key " + config.keyFile + " does not belong to the certificate");
  }
  if (!config.caFile.empty() &&
      SSL_CTX_load_verify_locations(context, config.caFile.c_str(), nullptr) != 1) {
    return refuse("cannot use the authority " + config.caFile);
  }
  if (server && !config.caFile.empty()) {
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    if (STACK_OF(X509_NAME)* names = SSL_load_client_CA_file(config.caFile.c_str()))
      SSL_CTX_set_client_CA_list(context, names);
  } else if (!server && config.verifyPeer) {
    if (config.caFile.empty()) SSL_CTX_set_default_verify_paths(context);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  }

  SSL* ssl = SSL_new(context);
  BIO* bio = ssl == nullptr ? nullptr : BIO_new(TransportMethod());
  if (bio == nullptr) {
    SSL_free(ssl);
    return refuse("no TLS session");
  }
  state->ssl = ssl;
  BIO_set_data(bio, &state->transport);
  SSL_set_bio(ssl, bio, bio);
  // Whole records in one receive rather than a header and a body.
  SSL_set_read_ahead(ssl, 1);
  if (server) {
    SSL_set_accept_state(ssl);
  } else {
    SSL_set_connect_state(ssl);
    if (config.verifyPeer && peerName != nullptr && *peerName != '\0') {
      if (IsDottedAddress(peerName)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), peerName);
      } else {
        SSL_set1_host(ssl, peerName);
        SSL_set_tlsext_host_name(ssl, peerName);
      }
    }
  }
  failure = TlsFailure::None;
  detail.clear();
  return std::unique_ptr<TlsSession>(new TlsSession(std::move(state)));
}

TlsSession::Step TlsSession::Result(int returned) {
  switch (SSL_get_error(state_->ssl, returned)) {
    case SSL_ERROR_WANT_READ:
      return Step::WantRead;
    case SSL_ERROR_WANT_WRITE:
      return Step::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
      return Step::Closed;
    case SSL_ERROR_SYSCALL:
      if (ERR_peek_error() == 0 && returned == 0) return Step::Closed;
      [[fallthrough]];
    default:
      Classify();
      return Step::Failed;
  }
}

void TlsSession::Classify() {
  const int reason = ERR_GET_REASON(ERR_peek_error());
  detail_ = OpenSslReason();
  if (detail_.empty()) detail_ = errno != 0 ? std::string(std::strerror(errno)) : "no reason";
  verifyResult_ = SSL_get_verify_result(state_->ssl);
  const int first = state_->transport.firstByte;
  if (reason == SSL_R_CERTIFICATE_VERIFY_FAILED) {
    detail_ = X509_verify_cert_error_string(verifyResult_);
    switch (verifyResult_) {
      case X509_V_ERR_CERT_HAS_EXPIRED:
      case X509_V_ERR_CERT_NOT_YET_VALID:
        failure_ = TlsFailure::Expired;
        break;
      case X509_V_ERR_HOSTNAME_MISMATCH:
      case X509_V_ERR_IP_ADDRESS_MISMATCH:
        failure_ = TlsFailure::NameMismatch;
        break;
      default:
        failure_ = TlsFailure::NotTrusted;
    }
  } else if (reason == SSL_R_PEER_DID_NOT_RETURN_A_CERTIFICATE) {
    failure_ = TlsFailure::NoPeerCertificate;
  } else if (reason == SSL_R_TLSV13_ALERT_CERTIFICATE_REQUIRED) {
    failure_ = TlsFailure::CertificateRequired;
  } else if (IsCertificateRefusal(reason)) {
    failure_ = TlsFailure::RefusedByPeer;
  } else if (!state_->established &&
             (first < 0 ? errno == ECONNRESET || errno == EPIPE : first < 20 || first > 23)) {
    // Every TLS record starts with a content type from 20 to 23, a DICOM PDU never does; and a
    // peer that speaks TLS answers the greeting before it drops the connection.
    failure_ = TlsFailure::NotTls;
  } else {
    failure_ = state_->established ? TlsFailure::Broken : TlsFailure::Handshake;
  }
  ERR_clear_error();
}

TlsSession::Step TlsSession::Handshake() {
  ERR_clear_error();
  errno = 0;
  const int returned = SSL_do_handshake(state_->ssl);
  if (returned == 1) {
    state_->established = true;
    return Step::Done;
  }
  const Step step = Result(returned);
  if (step != Step::Closed) return step;
  // Closed before a single byte came back: what a plain peer does with a greeting it cannot read.
  failure_ = state_->transport.firstByte < 0 ? TlsFailure::NotTls : TlsFailure::Handshake;
  detail_ = "the peer closed the connection during the handshake";
  return Step::Failed;
}

TlsSession::Step TlsSession::Read(void* buffer, std::uint32_t capacity, int& count) {
  ERR_clear_error();
  errno = 0;
  const int returned =
      SSL_read(state_->ssl, buffer, static_cast<int>(std::min<std::uint32_t>(capacity, INT_MAX)));
  count = returned > 0 ? returned : 0;
  return returned > 0 ? Step::Done : Result(returned);
}

TlsSession::Step TlsSession::Write(const void* buffer, std::uint32_t length, int& count) {
  ERR_clear_error();
  errno = 0;
  const int returned =
      SSL_write(state_->ssl, buffer, static_cast<int>(std::min<std::uint32_t>(length, INT_MAX)));
  count = returned > 0 ? returned : 0;
  return returned > 0 ? Step::Done : Result(returned);
}

TlsSession::Step TlsSession::Peek() {
  ERR_clear_error();
  errno = 0;
  char byte;
  const int returned = SSL_peek(state_->ssl, &byte, 1);
  return returned > 0 ? Step::Done : Result(returned);
}

bool TlsSession::HasPending() const {
  return SSL_has_pending(state_->ssl) == 1;
}

void TlsSession::Shutdown() {
  if (state_->established) SSL_shutdown(state_->ssl);
  ERR_clear_error();
}

}  // namespace dicom
