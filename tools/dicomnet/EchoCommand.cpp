#include <cstdint>
#include <iostream>
#include <string>

#include "dimse/CEchoScu.h"
#include "dimse/CommandTags.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {

namespace {

constexpr const char* kEchoUsage =
    "usage: dicomnet echo [-aet AE] [-aec AE] [--trace] [--timeout SECONDS]\n"
    "                     [--tls [--ca-file FILE] [--cert FILE --key FILE]] HOST PORT\n";

}  // namespace

int RunEcho(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<NetworkOptions> options = ParseNetworkOptions(args, 0, error);
  if (!options) {
    std::cerr << "dicomnet echo: " << error << '\n' << kEchoUsage;
    return 2;
  }
  const TraceScope trace(options->trace);
  dicom::Association association;
  const std::string_view verification = dicom::kVerificationSopClass;
  if (!OpenAssociation(association, *options, {&verification, 1})) {
    std::cerr << "dicomnet echo: " << AssociationFailure(association, *options) << '\n';
    return 1;
  }
  const dicom::CEchoScu echo;
  std::uint16_t status = 0;
  dicom::DataSet response;
  if (!echo.SendRequest(association)) {
    std::cerr << "dicomnet echo: the C-ECHO request could not be sent\n";
    return 1;
  }
  if (!echo.ReceiveResponse(status, response, association)) {
    std::cerr << "dicomnet echo: no C-ECHO response: " << AssociationFailure(association, *options)
              << '\n';
    return 1;
  }
  association.Release();
  if (status != dicom::kStatusSuccess) {
    std::cerr << "dicomnet echo: the peer answered with status " << StatusText(status) << '\n';
    return 1;
  }
  std::cout << "echo OK: " << options->calledTitle << " at " << options->host << ':'
            << options->port << " answered " << options->callingTitle << '\n';
  return 0;
}

}  // namespace dicomnet
