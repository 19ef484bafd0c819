#include <chrono>
#include <iostream>
#include <vector>

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
    "                      HOST PORT FILE...\n";

constexpr dicom::Tag kSopClassUidTag = 0x00080016;
constexpr dicom::Tag kSopInstanceUidTag = 0x00080018;
constexpr dicom::Tag kMediaStorageSopClassUidTag = 0x00020002;

// The SOP class of a file for the proposal: from its meta header when it has one, so that only
// bare data sets are read whole twice. Empty when the file cannot be read.
std::string SopClassOf(const std::string& path) {
  dicom::DicomFile file;
  file.open(path, std::ios::in | std::ios::binary);
  if (!file.is_open()) return {};
  dicom::FileMetaHeader header;
  if (header.Read(file)) return header.Meta().GetText(kMediaStorageSopClassUidTag, dicom::vr::UI);
  dicom::DataSet dataSet;
  return file.Read(dataSet) ? dataSet.GetText(kSopClassUidTag, dicom::vr::UI) : std::string();
}

// Stores one file; prints its line and says whether it was stored with success.
bool StoreFile(dicom::Association& association, const NetworkOptions& options,
               const std::string& path) {
  dicom::DicomFile file;
  dicom::DataSet object;
  std::string why;
  if (!ReadObject(path, file, object, why)) {
    std::cout << path << ": not sent, " << why << '\n';
    return false;
  }
  const std::string sopClass = object.GetText(kSopClassUidTag, dicom::vr::UI);
  const dicom::CStoreScu store(sopClass);
  if (!store.SendRequest(association, object.GetText(kSopInstanceUidTag, dicom::vr::UI), object,
                         dicom::kPriorityMedium)) {
    std::cout << path << ": not sent, the archive accepted no context for SOP class " << sopClass
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
  std::vector<std::string> syntaxes(dicom::kExportAbstractSyntaxes.begin(),
                                    dicom::kExportAbstractSyntaxes.end());
  for (const std::string& path : options->files) {
    const std::string sopClass = SopClassOf(path);
    if (!sopClass.empty()) syntaxes.push_back(sopClass);
  }
  const std::vector<std::string_view> proposed(syntaxes.begin(), syntaxes.end());

  const TraceScope trace(options->trace);
  dicom::Association association;
  if (!OpenAssociation(association, *options, proposed)) {
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
