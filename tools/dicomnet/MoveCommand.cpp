#include <iostream>

#include "dimse/CMoveScu.h"
#include "dimse/CommandTags.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {

namespace {

constexpr const char* kMoveUsage =
    "usage: dicomnet move [-aet AE] [-aec AE] [-aem DEST] [-k TAG=VALUE]...\n"
    "                     [--trace] [--timeout SECONDS]\n"
    "                     [--tls [--ca-file FILE] [--cert FILE --key FILE]] HOST PORT\n";

}  // namespace

void PrintRetrieveResponse(std::uint16_t status, const dicom::DataSet& command) {
  std::cout << StatusText(status);
  const std::pair<dicom::Tag, const char*> counters[] = {
      {dicom::kRemainingSubOperationsTag, "remaining"},
      {dicom::kCompletedSubOperationsTag, "completed"},
      {dicom::kFailedSubOperationsTag, "failed"},
      {dicom::kWarningSubOperationsTag, "warning"}};
  for (const auto& [tag, name] : counters) {
    std::uint16_t count;
    if (command.GetUS(tag, count, 0)) std::cout << ' ' << name << '=' << count;
  }
  std::cout << '\n';
}

int RunMove(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<NetworkOptions> options =
      ParseNetworkOptions(args, kKeys | kMoveDestination, error);
  dicom::DataSet identifier;
  if (!options || !BuildIdentifier(*options, identifier, error)) {
    std::cerr << "dicomnet move: " << error << '\n' << kMoveUsage;
    return 2;
  }
  // An empty identifier would send no data set at all, and the archive would wait for it.
  if (identifier.Empty()) {
    std::cerr << "dicomnet move: give at least one key (-k)\n" << kMoveUsage;
    return 2;
  }
  const TraceScope trace(options->trace);
  dicom::Association association;
  if (!OpenAssociation(association, *options, kQueryRetrieveSyntaxes)) {
    std::cerr << "dicomnet move: " << AssociationFailure(association, *options) << '\n';
    return 1;
  }
  const dicom::CMoveScu move(dicom::kStudyRootMoveSopClass);
  const std::string destination = options->moveDestination.value_or(options->callingTitle);
  if (!move.SendRequest(association, destination, identifier, dicom::kPriorityMedium)) {
    std::cerr << "dicomnet move: the request was not sent: "
              << (association.IsConnected() ? "the archive accepted no context for it"
                                            : AssociationFailure(association, *options))
              << '\n';
    return 1;
  }
  // A refusal (0x0122) is recorded and the responses are read on, as the browser does.
  std::uint16_t status = dicom::kStatusPending;
  bool refused = false;
  for (;;) {
    dicom::DataSet response, command;
    if (!move.ReceiveResponse(status, response, command, association)) {
      std::cerr << "dicomnet move: a response was not read: "
                << AssociationFailure(association, *options) << '\n';
      return 1;
    }
    PrintRetrieveResponse(status, command);
    refused |= status == dicom::kStatusRefused;
    if (status != dicom::kStatusPending && status != dicom::kStatusPendingWarning &&
        status != dicom::kStatusRefused) {
      break;
    }
  }
  std::cout.flush();
  association.Release();
  if (status != dicom::kStatusSuccess || refused) {
    std::cerr << "dicomnet move: the retrieve ended with status " << StatusText(status)
              << (refused ? " after a refusal (0x0122)" : "") << '\n';
    return 1;
  }
  return 0;
}

}  // namespace dicomnet
