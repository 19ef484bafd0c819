#include <algorithm>
#include <chrono>
#include <iostream>
#include <vector>

#include "codecs/NativePixels.h"
#include "data/DicomFile.h"
#include "dimse/CStoreScu.h"
#include "dimse/CommandTags.h"
#include "export/ExportSyntaxes.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {

namespace {

constexpr const char* kStoreUsage =
    "usage: dicomnet store [-aet AE] [-aec AE] [--max-send-pdu BYTES] [--trace]\n"
    "                      [--timeout SECONDS] [--tls [--ca-file FILE] [--cert FILE --key FILE]]\n"
    "                      HOST PORT FILE...\n"
    "PDUs are as large as the peer announces (at most 131072 bytes, 4096 data bytes when it\n"
    "announces none); --max-send-pdu (4096 to 131072) sends up to the smaller of it and that.\n";

constexpr dicom::Tag kSopClassUidTag = 0x00080016;
constexpr dicom::Tag kSopInstanceUidTag = 0x00080018;
constexpr dicom::Tag kMediaStorageSopClassUidTag = 0x00020002;

const std::string_view kPlainSyntaxes[] = {dicom::TransferSyntaxUid(dicom::ExplicitLittleEndian),
                                           dicom::TransferSyntaxUid(dicom::ImplicitLittleEndian)};

// What the proposal needs of a file: its SOP class and the syntax it is stored in.
struct Kind {
  std::string sopClass;
  std::string syntax;
  bool operator==(const Kind&) const = default;
};

// From the meta header when the file has one, so that only bare data sets are read whole twice.
// An empty SOP class when the file cannot be read.
Kind KindOf(const std::string& path) {
  dicom::DicomFile file;
  file.open(path, std::ios::in | std::ios::binary);
  if (!file.is_open()) return {};
  dicom::FileMetaHeader header;
  if (header.Read(file))
    return {header.Meta().GetText(kMediaStorageSopClassUidTag, dicom::vr::UI), header.SyntaxUid()};
  dicom::DataSet dataSet;
  if (!file.Read(dataSet)) return {};
  return {dataSet.GetText(kSopClassUidTag, dicom::vr::UI),
          std::string(dicom::TransferSyntaxUid(dicom::ImplicitLittleEndian))};
}

// Per SOP class one context with the plain syntaxes and, for each other syntax a file is in, one
// with that syntax alone: the peer may take the object as it is or only uncompressed. The export's
// classes follow, as the image export proposes them.
void Propose(dicom::Association& association, const std::vector<Kind>& kinds) {
  // An association carries at most 128 contexts.
  constexpr std::size_t kMaxContexts = 128 - std::size(dicom::kExportAbstractSyntaxes);
  std::vector<std::string> plain;
  std::size_t contexts = 0;
  for (const Kind& kind : kinds) {
    const dicom::TransferSyntax syntax = dicom::TransferSyntaxFromUid(kind.syntax);
    const bool own = syntax != dicom::ImplicitLittleEndian && syntax != dicom::ExplicitLittleEndian;
    const bool plainNeeded = std::find(plain.begin(), plain.end(), kind.sopClass) == plain.end();
    if (contexts + own + plainNeeded > kMaxContexts) break;
    if (own) {
      const std::string_view ownSyntax[] = {kind.syntax};
      association.AddPresentationContext(kind.sopClass, ownSyntax);
      ++contexts;
    }
    if (plainNeeded) {
      association.AddPresentationContext(kind.sopClass, kPlainSyntaxes);
      plain.push_back(kind.sopClass);
      ++contexts;
    }
  }
  for (std::string_view uid : dicom::kExportAbstractSyntaxes)
    association.AddAbstractSyntax(uid);
}

// Stores one file; prints its line and says whether it was stored with success. The object goes
// in its own syntax when the peer took that, else in a plain one, decompressed where it must be.
bool StoreFile(dicom::Association& association, const NetworkOptions& options,
               const std::string& path) {
  dicom::DicomFile file;
  dicom::DataSet object;
  std::string why;
  // Large values stay in the file and go from it to the peer piece by piece.
  if (!ReadObject(path, file, object, why, true)) {
    std::cout << path << ": not sent, " << why << '\n';
    return false;
  }
  const std::string sopClass = object.GetText(kSopClassUidTag, dicom::vr::UI);
  const std::string ownUid =
      file.HasMetaHeader() ? file.Header().SyntaxUid()
                           : std::string(dicom::TransferSyntaxUid(dicom::ImplicitLittleEndian));
  dicom::TransferSyntax syntax = dicom::TransferSyntaxFromUid(ownUid);
  std::uint8_t context = association.AcceptedContextFor(sopClass, ownUid);
  for (std::size_t i = 0; context == 0 && i < std::size(kPlainSyntaxes); ++i) {
    context = association.AcceptedContextFor(sopClass, kPlainSyntaxes[i]);
    if (context == 0) continue;
    if (dicom::IsEncapsulated(syntax)) {
      // Frame by frame from the file; the decoded pixels are held whole.
      dicom::DataSet native;
      const dicom::codecs::DecodeResult decoded =
          dicom::codecs::DecompressPixelData(object, ownUid, native);
      if (!decoded.Ok()) {
        std::cout << path << ": not sent, the peer takes it only uncompressed and it does not "
                  << "decode: " << decoded.reason << '\n';
        return false;
      }
      object = std::move(native);
    }
    syntax = dicom::TransferSyntaxFromUid(kPlainSyntaxes[i]);
  }
  const dicom::CStoreScu store(sopClass);
  if (context == 0) {
    std::cout << path << ": not sent, the archive accepted no context for SOP class " << sopClass
              << '\n';
    return false;
  }
  if (!store.SendRequest(association, context, syntax,
                         object.GetText(kSopInstanceUidTag, dicom::vr::UI), object,
                         dicom::kPriorityMedium)) {
    // Values go from the file as they are sent: a file cut short meanwhile aborts the association.
    std::cout << path << ": not sent, "
              << (association.IsConnected() ? "a value cannot be encoded in its syntax"
                                            : "the file could not be read to its end")
              << '\n';
    return false;
  }
  std::uint16_t status = dicom::kStatusPending;
  dicom::DataSet response;
  if (!store.ReceiveResponse(status, response, association)) {
    std::cout << path << ": no response: " << AssociationFailure(association, options) << '\n';
    return false;
  }
  std::cout << path << ": " << (status == dicom::kStatusSuccess ? "stored" : "refused")
            << " with status " << StatusText(status) << '\n';
  return status == dicom::kStatusSuccess;
}

}  // namespace

int RunStore(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<NetworkOptions> options =
      ParseNetworkOptions(args, kFiles | kMaxSendPdu, error);
  if (!options) {
    std::cerr << "dicomnet store: " << error << '\n' << kStoreUsage;
    return 2;
  }
  std::vector<Kind> kinds;
  for (const std::string& path : options->files) {
    Kind kind = KindOf(path);
    if (!kind.sopClass.empty() && std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
      kinds.push_back(std::move(kind));
  }

  const TraceScope trace(options->trace);
  dicom::Association association;
  PrepareAssociation(association, *options);
  Propose(association, kinds);
  if (association.Request(options->host.c_str(), options->port.c_str()) != 1) {
    std::cerr << "dicomnet store: " << AssociationFailure(association, *options) << '\n';
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  auto lastProgress = start;
  std::size_t stored = 0;
  for (std::size_t i = 0; i < options->files.size(); ++i) {
    stored += StoreFile(association, *options, options->files[i]) ? 1 : 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress >= std::chrono::seconds(2)) {
      std::cerr << "dicomnet store: " << i + 1 << " of " << options->files.size()
                << " files sent\n";
      lastProgress = now;
    }
    if (!association.IsConnected()) {
      for (std::size_t rest = i + 1; rest < options->files.size(); ++rest) {
        std::cout << options->files[rest] << ": not sent, the association has ended\n";
      }
      break;
    }
  }
  std::cout.flush();
  association.Release();
  if (stored != options->files.size()) {
    std::cerr << "dicomnet store: " << options->files.size() - stored << " of "
              << options->files.size() << " files not stored\n";
    return 1;
  }
  return 0;
}

}  // namespace dicomnet
