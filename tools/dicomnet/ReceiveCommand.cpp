#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "codecs/DecoderRegistry.h"
#include "data/StoredObjectFile.h"
#include "dimse/CEchoRsp.h"
#include "dimse/CStoreRsp.h"
#include "dimse/CommandTags.h"
#include "net/AssociationAcceptor.h"
#include "net/ProtocolLog.h"
#include "net/TcpListener.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {
namespace {

constexpr const char* kReceiveUsage =
    "usage: dicomnet receive [-aet AE] [--port PORT] [--output-dir DIR] [--timeout SECONDS]\n"
    "                        [--trace] [--tls --cert FILE --key FILE [--ca-file FILE]]\n"
    "                        [--accept-from HOST]...\n";

// The name under which the host's browser expects a retrieved object.
constexpr const char* kRetrievedFileName = "tempDic.dic";
constexpr std::string_view kStoragePrefix = "1.2.840.10008.5.1.4.1.1.";

struct ReceiveOptions {
  std::string title;  // empty: answer to any called title
  int port = 11112;
  std::string outputDir;  // empty: every object becomes the one retrieved file
  int timeout = dicom::TcpSocket::kDefaultReceiveTimeout;
  bool trace = false;
  std::optional<dicom::TlsConfig> tls;
  // Only peers at the addresses of these hosts; none: anyone.
  std::vector<std::string> acceptFrom;
};

std::optional<ReceiveOptions> ParseReceiveOptions(std::span<const std::string_view> args,
                                                  std::string& error) {
  ReceiveOptions options;
  const auto number = [](std::string_view text, int low, int high, int& out) {
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size() || value < low || value > high)
      return false;
    out = value;
    return true;
  };
  bool tlsAsked = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (ParseTlsOption(args, i, options.tls, tlsAsked, error)) {
      if (!error.empty()) return std::nullopt;
      continue;
    }
    if (arg == "--trace") {
      options.trace = true;
      continue;
    }
    if (arg != "-aet" && arg != "--port" && arg != "--output-dir" && arg != "--timeout" &&
        arg != "--accept-from") {
      error = (arg.size() > 1 && arg.front() == '-' ? "unknown option " : "unexpected argument ") +
              std::string(arg);
      return std::nullopt;
    }
    if (i + 1 == args.size()) {
      error = std::string(arg) + " needs a value";
      return std::nullopt;
    }
    const std::string_view value = args[++i];
    if (arg == "-aet") {
      options.title = value;
    } else if (arg == "--output-dir") {
      options.outputDir = value;
    } else if (arg == "--accept-from") {
      options.acceptFrom.emplace_back(value);
    } else if (arg == "--port" && !number(value, 1, 65535, options.port)) {
      error = "--port takes a number from 1 to 65535";
      return std::nullopt;
    } else if (arg == "--timeout" && !number(value, 1, 1 << 30, options.timeout)) {
      error = "--timeout takes a positive number of seconds";
      return std::nullopt;
    }
  }
  if (!CheckTlsOptions(options.tls, tlsAsked, true, error)) return std::nullopt;
  return options;
}

// Whether the address is one of those the hosts resolve to. They are resolved for each peer, so
// that an archive that moves to another address, or a name server that was down at the start,
// needs no restart; a host that does not resolve lets nobody in and says so.
bool IsAddressOf(const std::vector<std::string>& hosts, std::uint32_t address) {
  bool found = false;
  for (const std::string& host : hosts) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* entries = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &entries) != 0) {
      std::cerr << "dicomnet receive: --accept-from " << host << ": host not found\n";
      continue;
    }
    for (const addrinfo* entry = entries; entry != nullptr; entry = entry->ai_next) {
      found |= reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr == address;
    }
    freeaddrinfo(entries);
  }
  return found;
}

std::string PeerAddressOf(int handle) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  char text[INET_ADDRSTRLEN] = "?";
  if (getpeername(handle, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
  return text;
}

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
  stopRequested = 1;
}

// Without SA_RESTART, so that the wait for the next connection ends at once.
void InstallStopHandlers() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

// Besides the plain syntaxes, every one whose pixel data our codecs decode, and deflate: the object
// is kept as it came, and whoever loads the file can read it.
bool IsTaken(std::string_view transferSyntaxUid) {
  return dicom::codecs::FindDecoder(transferSyntaxUid) != nullptr ||
         dicom::IsDeflated(dicom::TransferSyntaxFromUid(transferSyntaxUid));
}

bool IsServed(std::string_view uid) {
  return uid == dicom::kVerificationSopClass ||
         (uid.starts_with(kStoragePrefix) && uid.size() > kStoragePrefix.size());
}

std::string TemporaryDirectory() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
}

// A title as it is shown: without its padding, and with bytes that a terminal could take for
// control sequences (a peer's title is any 16 bytes) shown as '?'.
std::string Trimmed(std::string_view title) {
  const std::size_t first = title.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::string shown(title.substr(first, title.find_last_not_of(' ') - first + 1));
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  return shown;
}

class Provider {
 public:
  explicit Provider(const ReceiveOptions& options)
      : files_(options.outputDir.empty() ? TemporaryDirectory() : options.outputDir),
        keepAll_(!options.outputDir.empty()) {}

  // Answers requests until the association ends.
  void Serve(dicom::Association& association) {
    calling_ = Trimmed(association.RequestPdu().CallingTitle());
    for (;;) {
      dicom::DataSet command;
      if (!association.ReceiveMessage(command)) {
        // A command that does not decode cannot be answered: it has no message id to answer.
        if (association.IsConnected()) association.Abort();
        return;
      }
      const std::uint16_t field = command.GetUS(dicom::kCommandFieldTag);
      if (!association.MessageIsCommand()) {
        association.Abort();
      } else if (field == dicom::kCEchoRq) {
        Echo(association, command);
      } else if (field == dicom::kCStoreRq) {
        Store(association, command);
      } else {
        std::cerr << "dicomnet receive: command " << StatusText(field) << " from " << calling_
                  << " is not served; the association is aborted\n";
        association.Abort();
      }
      if (!association.IsConnected()) return;
    }
  }

 private:
  void Echo(dicom::Association& association, const dicom::DataSet& command) {
    const dicom::CEchoRsp response(command.GetUS(dicom::kMessageIdTag), dicom::kStatusSuccess);
    association.SendMessageOnContext(1, response, association.MessageContextId(),
                                     dicom::ImplicitLittleEndian);
    std::cout << "echo from " << calling_ << std::endl;
  }

  void Store(dicom::Association& association, const dicom::DataSet& command) {
    const std::uint8_t context = association.MessageContextId();
    const std::string sopClass = command.GetText(dicom::kAffectedSopClassUidTag, dicom::vr::UI);
    const std::string sopInstance =
        command.GetText(dicom::kAffectedSopInstanceUidTag, dicom::vr::UI);
    std::uint16_t status = dicom::kStatusSuccess;
    std::string outcome;
    const bool named = !keepAll_ || dicom::StoredObjectFile::IsUidName(sopInstance);
    // The data set goes to the disk as it arrives, whatever its size; a name that cannot be
    // used still has its data set read, so that the refusal answers it.
    std::optional<dicom::IncomingObjectFile> file;
    if (named) file.emplace(files_, sopClass, sopInstance, SyntaxOf(association));
    const auto take = [&file](const std::uint8_t* bytes, std::uint32_t count) {
      if (file) file->Append(bytes, count);
    };
    if (!association.ReceiveDataSet(take)) {
      // A peer gone in the middle of the object leaves nothing behind.
      std::cerr << "dicomnet receive: the association with " << calling_
                << " ended before the object " << sopInstance << " was complete\n";
      return;
    }
    const std::string name = keepAll_ ? sopInstance + ".dcm" : kRetrievedFileName;
    if (!named) {
      status = dicom::kStatusCannotUnderstand;
      outcome = "the SOP instance UID is no name for a file";
    } else {
      switch (file->Commit(name, outcome)) {
        case dicom::IncomingObjectFile::Outcome::Stored:
          outcome = (files_.Directory() / name).string();
          break;
        case dicom::IncomingObjectFile::Outcome::NotDecoded:
          status = dicom::kStatusCannotUnderstand;
          break;
        case dicom::IncomingObjectFile::Outcome::NotWritten:
          status = dicom::kStatusOutOfResources;
          break;
      }
    }
    // The response goes out only now: a success means the file is there.
    const dicom::CStoreRsp response(command.GetUS(dicom::kMessageIdTag), sopClass, sopInstance,
                                    status);
    association.SendMessageOnContext(1, response, context, dicom::ImplicitLittleEndian);
    if (status == dicom::kStatusSuccess) {
      std::cout << "stored " << sopInstance << " from " << calling_ << " in " << outcome
                << std::endl;
    } else {
      std::cout << "refused " << sopInstance << " from " << calling_ << " with status "
                << StatusText(status) << ": " << outcome << std::endl;
    }
  }

  // The syntax of the command's context, in which its data set arrives and which its file keeps.
  static dicom::TransferSyntax SyntaxOf(const dicom::Association& association) {
    for (const dicom::PresentationContextAccept& context : association.AcceptedContexts()) {
      if (context.id == association.MessageContextId())
        return dicom::TransferSyntaxFromUid(context.transferSyntax.value.View());
    }
    return dicom::UnknownTransferSyntax;
  }

  const dicom::StoredObjectFile files_;
  const bool keepAll_;
  std::string calling_;
};

}  // namespace

int RunReceive(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<ReceiveOptions> options = ParseReceiveOptions(args, error);
  if (!options) {
    std::cerr << "dicomnet receive: " << error << '\n' << kReceiveUsage;
    return 2;
  }
  InstallStopHandlers();

  const TraceScope trace(options->trace);
  dicom::TcpListener listener;
  if (!listener.Listen(static_cast<std::uint16_t>(options->port))) {
    std::cerr << "dicomnet receive: cannot listen on port " << options->port << ": "
              << std::strerror(listener.LastError()) << '\n';
    return 1;
  }
  if (dicom::TraceLog()) dicom::TraceLog()->OnStartListen(std::to_string(options->port));

  dicom::AssociationAcceptor acceptor;
  if (!options->acceptFrom.empty()) {
    acceptor.AcceptOnlyFrom([&hosts = options->acceptFrom](std::uint32_t address) {
      return IsAddressOf(hosts, address);
    });
  }
  acceptor.SetOwnTitle(options->title);
  acceptor.SetAbstractSyntaxes(IsServed);
  acceptor.SetExtraTransferSyntaxes(IsTaken);
  Provider provider(*options);
  while (!stopRequested) {
    const int handle = listener.Accept(std::chrono::milliseconds(200));
    if (handle < 0) {
      // Out of handles, say: the next try waits a little rather than spinning.
      const int reason = listener.LastError();
      if (reason != ETIMEDOUT && reason != EINTR)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    if (dicom::TraceLog()) dicom::TraceLog()->OnAcceptConnection(handle);
    // One association at a time: a second peer waits in the listen queue for its turn.
    const std::string address = PeerAddressOf(handle);
    dicom::Association association;
    association.Socket().SetReceiveTimeout(options->timeout);
    if (options->tls) association.Socket().UseTls(*options->tls);
    const auto outcome = acceptor.Accept(association, handle);
    const dicom::AssociateRejectPdu& rejection = association.Rejection();
    if (outcome == dicom::AssociationAcceptor::Outcome::Established) {
      provider.Serve(association);
    } else if (association.Socket().TlsFailed() != dicom::TlsFailure::None) {
      std::cerr << "dicomnet receive: connection from " << address << ": "
                << TlsFailureText(association.Socket(), address) << '\n';
    } else if (outcome == dicom::AssociationAcceptor::Outcome::Rejected &&
               rejection.reason == dicom::AssociateRejectPdu::CallingTitleNotRecognized) {
      std::cerr << "dicomnet receive: association from "
                << Trimmed(association.RequestPdu().CallingTitle()) << " at " << address
                << " refused: the address is not among those accepted (--accept-from)\n";
    } else if (outcome == dicom::AssociationAcceptor::Outcome::Rejected) {
      std::cerr << "dicomnet receive: association from "
                << Trimmed(association.RequestPdu().CallingTitle()) << " at " << address
                << " refused (called " << Trimmed(association.RequestPdu().CalledTitle()) << ")\n";
    }
  }
  return 0;
}

}  // namespace dicomnet
