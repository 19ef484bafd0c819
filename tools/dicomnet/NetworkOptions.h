#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "net/Association.h"

namespace dicomnet {

// One -k key: a tag and, unless it is a return key, its value.
struct Key {
  dicom::Tag tag;
  std::optional<std::string> value;
};

// The options the network commands share, in the form users of DCMTK's tools know.
struct NetworkOptions {
  std::string callingTitle = "DICOMNET";
  std::string calledTitle = "ANY-SCP";
  std::optional<std::string> moveDestination;
  std::optional<std::string> level;
  std::vector<Key> keys;
  bool trace = false;
  int timeout = dicom::TcpSocket::kDefaultReceiveTimeout;
  std::uint32_t maxSendPdu = 0;  // 0: as large as the peer announces, up to 128 KiB
  std::string outputDir = ".";
  // --tls, with --ca-file, --cert and --key.
  std::optional<dicom::TlsConfig> tls;
  std::string host;
  std::string port;
  std::vector<std::string> files;
};

// Which options a command takes besides -aet, -aec, --trace, --timeout and the TLS options.
enum Allowed : unsigned {
  kLevel = 1,            // -L study|series|image
  kReturnKeys = 2,       // -k TAG without a value
  kKeys = 4,             // -k TAG=VALUE
  kMoveDestination = 8,  // -aem AE
  kFiles = 16,           // FILE... after HOST PORT
  kMaxSendPdu = 32,      // --max-send-pdu N
  kOutputDir = 64,       // --output-dir DIR
};

// The options, or nullopt with `error` saying what is wrong.
std::optional<NetworkOptions> ParseNetworkOptions(std::span<const std::string_view> args,
                                                  unsigned allowed, std::string& error);

// Takes --tls, --ca-file FILE, --cert FILE and --key FILE at args[i] (advancing i past a value):
// false when args[i] is none of them. Check then says whether they go together.
bool ParseTlsOption(std::span<const std::string_view> args, std::size_t& i,
                    std::optional<dicom::TlsConfig>& tls, bool& asked, std::string& error);
bool CheckTlsOptions(const std::optional<dicom::TlsConfig>& tls, bool asked, bool acceptor,
                     std::string& error);

// The keys as an identifier, each with the dictionary's VR; numbers for the binary VRs.
bool BuildIdentifier(const NetworkOptions& options, dicom::DataSet& identifier, std::string& error);

// Titles, application context, time-out and PDU size of the options, the proposals cleared: what
// every association of the commands starts from.
void PrepareAssociation(dicom::Association& association, const NetworkOptions& options);

// Sets up and requests the association with these abstract syntaxes, as the services set it up.
bool OpenAssociation(dicom::Association& association, const NetworkOptions& options,
                     std::span<const std::string_view> abstractSyntaxes);

// Installs the stream logs on standard error for its lifetime when tracing was asked for.
class TraceScope {
 public:
  explicit TraceScope(bool trace);
  ~TraceScope();
  TraceScope(const TraceScope&) = delete;
  TraceScope& operator=(const TraceScope&) = delete;

 private:
  bool trace_;
};

}  // namespace dicomnet
