#include <filesystem>
#include <iostream>

#include "data/StoredObjectFile.h"
#include "dimse/CGetScu.h"
#include "dimse/CommandTags.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {

namespace {

constexpr const char* kGetUsage =
    "usage: dicomnet get [-aet AE] [-aec AE] [-L LEVEL] [-k TAG=VALUE]... [--output-dir DIR]\n"
    "                    [--trace] [--timeout SECONDS] HOST PORT\n";

}  // namespace

int RunGet(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<NetworkOptions> options =
      ParseNetworkOptions(args, kLevel | kKeys | kOutputDir, error);
  dicom::DataSet identifier;
  if (!options || !BuildIdentifier(*options, identifier, error)) {
    std::cerr << "dicomnet get: " << error << '\n' << kGetUsage;
    return 2;
  }
  if (identifier.Empty()) {
    std::cerr << "dicomnet get: give at least one key (-k)\n" << kGetUsage;
    return 2;
  }
  std::error_code ignored;
  if (!std::filesystem::is_directory(options->outputDir, ignored)) {
    std::cerr << "dicomnet get: " << options->outputDir << " is no directory\n";
    return 1;
  }
  const TraceScope trace(options->trace);
  dicom::Association association;
  PrepareAssociation(association, *options);
  dicom::CGetScu::Propose(association);
  if (association.Request(options->host.c_str(), options->port.c_str()) != 1) {
    std::cerr << "dicomnet get: " << AssociationFailure(association, *options) << '\n';
    return 1;
  }

  // Each object is kept as the receiver keeps it with --output-dir: by its SOP Instance UID.
  const dicom::StoredObjectFile files(options->outputDir);
  dicom::CGetScu get(dicom::kStudyRootGetSopClass,
                     [&files](const dicom::StoreRequest& request, const dicom::DataSet& object,
                              std::string& outcome) {
                       if (!dicom::StoredObjectFile::IsUidName(request.sopInstanceUid)) {
                         outcome = "the SOP instance UID is no name for a file";
                         return dicom::kStatusCannotUnderstand;
                       }
                       const std::string name = request.sopInstanceUid + ".dcm";
                       if (!files.Write(object, name, request.sopClassUid, request.sopInstanceUid,
                                        request.syntax, outcome)) {
                         return dicom::kStatusOutOfResources;
                       }
                       outcome = (files.Directory() / name).string();
                       return dicom::kStatusSuccess;
                     });
  get.OnAnswered(
      [](const dicom::StoreRequest& request, std::uint16_t status, const std::string& outcome) {
        if (status == dicom::kStatusSuccess) {
          std::cout << "stored " << request.sopInstanceUid << " in " << outcome << '\n';
        } else {
          std::cout << "refused " << request.sopInstanceUid << " with status " << StatusText(status)
                    << ": " << outcome << '\n';
        }
      });
  if (!get.SendRequest(association, identifier, dicom::kPriorityMedium)) {
    std::cerr << "dicomnet get: the request was not sent: "
              << (association.IsConnected() ? "the archive accepted no context for it"
                                            : AssociationFailure(association, *options))
              << '\n';
    return 1;
  }
  std::uint16_t status = dicom::kStatusPending;
  while (status == dicom::kStatusPending || status == dicom::kStatusPendingWarning) {
    dicom::DataSet response, command;
    if (!get.ReceiveResponse(status, response, command, association)) {
      std::cout.flush();
      std::cerr << "dicomnet get: a response was not read: "
                << AssociationFailure(association, *options);
      if (!get.AbortReason().empty()) std::cerr << ": " << get.AbortReason();
      std::cerr << '\n';
      return 1;
    }
    PrintRetrieveResponse(status, command);
  }
  std::cout.flush();
  association.Release();
  if (status != dicom::kStatusSuccess || get.FailedSubOperations() > 0) {
    std::cerr << "dicomnet get: the retrieve ended with status " << StatusText(status);
    if (get.FailedSubOperations() > 0)
      std::cerr << " after " << get.FailedSubOperations() << " failed sub-operation(s)";
    std::cerr << '\n';
    return 1;
  }
  return 0;
}

}  // namespace dicomnet
