// A query peer that answers from memory, for the find benchmarks. It accepts associations one
// after another on 127.0.0.1, accepts every proposed presentation context with implicit VR little
// endian, and answers each C-FIND-RQ with N pending responses (each identifier a study: its UID,
// a patient name and the level) and a final success, all encoded once, each message in its own
// P-DATA-TF PDU on the request's context. It answers a release and waits for the next connection.
//
//   find_peer [--port N] [--responses N] [--associations N] [--idle SECONDS]
//
// Prints "port=N" once it listens. Ends after that many associations (0 = no limit, the default)
// or when no connection came for that long (60 s by default).

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "bench/Loopback.h"
#include "data/DataSet.h"
#include "data/StreamCodec.h"
#include "net/MemoryByteStream.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kImplicitLittleEndian = "1.2.840.10008.1.2";
constexpr std::uint32_t kMaxPdu = 16384;
constexpr auto kReadLimit = 30s;

bench::Bytes Encode(const dicom::DataSet& dataSet) {
  dicom::MemoryByteStream stream;
  dicom::StreamCodec codec(stream, dicom::ImplicitLittleEndian);
  codec.WriteDataSet(dataSet);
  stream.Flush();
  return stream.TakeOutput();
}

bool Decode(const bench::Bytes& bytes, dicom::DataSet& dataSet) {
  dicom::MemoryByteStream stream(bytes, static_cast<std::uint32_t>(bytes.size()));
  if (!stream.ReadAhead(static_cast<std::uint32_t>(bytes.size()))) return false;
  dicom::StreamCodec codec(stream, dicom::ImplicitLittleEndian);
  codec.ReadDataSet(dataSet);
  return codec.Status() == dicom::CodecStatus::Good;
}

// One message in one P-DATA-TF PDU with one PDV.
void AppendPdu(bench::Bytes& out, std::uint8_t contextId, bool command,
               const bench::Bytes& message) {
  const auto length = static_cast<std::uint32_t>(message.size());
  out.insert(out.end(), {0x04, 0});
  bench::PutBigEndian32(out, length + 6);
  bench::PutBigEndian32(out, length + 2);
  out.push_back(contextId);
  out.push_back(command ? 0x03 : 0x02);
  out.insert(out.end(), message.begin(), message.end());
}

bench::Bytes ResponseCommand(const std::string& sopClass, std::uint16_t messageId, bool final) {
  dicom::DataSet command;
  command.InsertText(0x00000002, dicom::vr::UI, sopClass);
  command.InsertUS(0x00000100, 0x8020);
  command.InsertUS(0x00000120, messageId);
  command.InsertUS(0x00000800, final ? 0x0101 : 0x0102);
  command.InsertUS(0x00000900, final ? 0x0000 : 0xFF00);
  return Encode(command);
}

class Peer {
 public:
  explicit Peer(std::size_t responses) {
    for (std::size_t i = 0; i < responses; ++i) {
      dicom::DataSet identifier;
      identifier.InsertText(0x00080052, dicom::vr::CS, "STUDY");
      identifier.InsertText(0x00100010, dicom::vr::PN, "BENCH^PATIENT^" + std::to_string(i + 1));
      identifier.InsertText(0x0020000D, dicom::vr::UI,
                            "1.2.826.0.1.3680043.9.7433.4." + std::to_string(i + 1));
      identifiers_.push_back(Encode(identifier));
    }
  }

  // One association, from its request to its end.
  void Serve(int connection) {
    bench::Bytes pdu;
    if (!bench::ReadPdu(connection, pdu, 1 << 16, kReadLimit) || pdu[0] != 0x01) return;
    const bench::Bytes accept = bench::AcceptEveryContext(pdu, kImplicitLittleEndian, kMaxPdu);
    if (accept.empty() || !bench::WriteAll(connection, accept.data(), accept.size())) return;

    bench::Bytes command, dataSet;
    bool commandDone = false;
    std::uint8_t contextId = 0;
    while (bench::ReadPdu(connection, pdu, 1 << 24, kReadLimit)) {
      if (pdu[0] == 0x05) {
        bench::WriteAll(connection, bench::kReleaseResponse, sizeof bench::kReleaseResponse);
        bench::ReadableWithin(connection, 1s);
        return;
      }
      if (pdu[0] != 0x04) return;
      for (std::size_t at = 6; at + 6 <= pdu.size();) {
        const std::uint32_t length = bench::BigEndian32(&pdu[at]);
        if (length < 2 || at + 4 + length > pdu.size()) return;
        const std::uint8_t id = pdu[at + 4];
        const std::uint8_t control = pdu[at + 5];
        bench::Bytes& message = (control & 0x01) ? command : dataSet;
        message.insert(message.end(), pdu.begin() + static_cast<std::ptrdiff_t>(at + 6),
                       pdu.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
        at += 4 + length;
        if (!(control & 0x02)) continue;
        if (control & 0x01) {
          commandDone = true;
          contextId = id;
          continue;
        }
        // The identifier is complete: the request is whole.
        if (!commandDone || !Answer(connection, command, contextId)) return;
        command.clear();
        dataSet.clear();
        commandDone = false;
      }
    }
  }

 private:
  bool Answer(int connection, const bench::Bytes& commandBytes, std::uint8_t contextId) {
    dicom::DataSet request;
    if (!Decode(commandBytes, request) || request.GetUS(0x00000100) != 0x0020) return false;
    const std::string sopClass = request.GetText(0x00000002, dicom::vr::UI);
    const std::uint16_t messageId = request.GetUS(0x00000110);
    const bench::Bytes pending = ResponseCommand(sopClass, messageId, false);
    bench::Bytes out;
    for (const bench::Bytes& identifier : identifiers_) {
      AppendPdu(out, contextId, true, pending);
      AppendPdu(out, contextId, false, identifier);
    }
    AppendPdu(out, contextId, true, ResponseCommand(sopClass, messageId, true));
    return bench::WriteAll(connection, out.data(), out.size());
  }

  std::vector<bench::Bytes> identifiers_;
};

}  // namespace

int main(int argc, char** argv) {
  std::uint16_t port = 0;
  std::size_t responses = 1000;
  unsigned long associations = 0;
  long idle = 60;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    const unsigned long value = std::stoul(argv[i + 1]);
    if (option == "--port") {
      port = static_cast<std::uint16_t>(value);
    } else if (option == "--responses") {
      responses = value;
    } else if (option == "--associations") {
      associations = value;
    } else if (option == "--idle") {
      idle = static_cast<long>(value);
    } else {
      std::fprintf(stderr, "find_peer: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  std::uint16_t bound = 0;
  const int listener = bench::ListenLoopback(port, bound);
  if (listener < 0) {
    std::perror("find_peer: listen");
    return 1;
  }
  std::printf("port=%u\n", bound);
  std::fflush(stdout);

  Peer peer(responses);
  for (unsigned long served = 0; associations == 0 || served < associations; ++served) {
    const int connection = bench::AcceptWithin(listener, std::chrono::seconds(idle));
    if (connection < 0) break;
    peer.Serve(connection);
    close(connection);
  }
  close(listener);
  return 0;
}
