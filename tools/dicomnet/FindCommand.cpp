#include <array>
#include <iostream>

#include "data/DataSetDumper.h"
#include "dimse/CFindScu.h"
#include "dimse/CommandTags.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {

namespace {

constexpr const char* kFindUsage =
    "usage: dicomnet find [-aet AE] [-aec AE] [-L study|series|image] [-k TAG[=VALUE]]...\n"
    "                     [--trace] [--timeout SECONDS]\n"
    "                     [--tls [--ca-file FILE] [--cert FILE --key FILE]] HOST PORT\n";

}  // namespace

int RunFind(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<NetworkOptions> options =
      ParseNetworkOptions(args, kLevel | kKeys | kReturnKeys, error);
  dicom::DataSet identifier;
  if (!options || !BuildIdentifier(*options, identifier, error)) {
    std::cerr << "dicomnet find: " << error << '\n' << kFindUsage;
    return 2;
  }
  // An empty identifier would send no data set at all, and the archive would wait for it.
  if (identifier.Empty()) {
    std::cerr << "dicomnet find: give at least one key (-k or -L)\n" << kFindUsage;
    return 2;
  }
  const TraceScope trace(options->trace);
  dicom::Association association;
  if (!OpenAssociation(association, *options, kQueryRetrieveSyntaxes)) {
    std::cerr << "dicomnet find: " << AssociationFailure(association, *options) << '\n';
    return 1;
  }
  const dicom::CFindScu find(dicom::kStudyRootFindSopClass);
  if (!find.SendRequest(association, identifier, dicom::kPriorityMedium)) {
    std::cerr << "dicomnet find: the request was not sent: "
              << (association.IsConnected() ? "the archive accepted no context for it"
                                            : AssociationFailure(association, *options))
              << '\n';
    return 1;
  }
  // Pending responses bring the matches; the first other status ends the query.
  std::uint16_t status = dicom::kStatusPending;
  dicom::DataSetDumper dumper(std::cout);
  for (;;) {
    dicom::DataSet match;
    if (!find.ReceiveResponse(status, match, association)) {
      std::cerr << "dicomnet find: a response was not read: "
                << AssociationFailure(association, *options) << '\n';
      return 1;
    }
    if (status != dicom::kStatusPending && status != dicom::kStatusPendingWarning) break;
    if (!match.Empty()) {
      dumper.Dump(match);
      std::cout << '\n';
    }
  }
  std::cout.flush();
  association.Release();
  if (status != dicom::kStatusSuccess) {
    std::cerr << "dicomnet find: the query ended with status " << StatusText(status) << '\n';
    return 1;
  }
  return 0;
}

}  // namespace dicomnet
