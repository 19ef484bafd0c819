#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

#include "data/DicomFile.h"
#include "dimse/CEchoScu.h"
#include "dimse/CFindScu.h"
#include "dimse/CGetScu.h"
#include "dimse/CMoveScu.h"
#include "dimse/CommandTags.h"
#include "tools/dicomnet/Commands.h"
#include "tools/dicomnet/Failures.h"
#include "tools/dicomnet/NetworkOptions.h"

// The self-test walks the road of a retrieve step by step and stops at the first step that fails,
// naming the set-up fault behind it where one is typical: each line is
//   STEP <tab> passed|failed|skipped|not tried <tab> CODE [<tab> ARGUMENT]... <tab> text
// so that a program can put the code and its arguments in its user's language and a person can
// read the text.
namespace dicomnet {

namespace {

constexpr const char* kSelfTestUsage =
    "usage: dicomnet selftest [-aet AE] [-aec AE] [--retrieve move|get] [--receive-port PORT]\n"
    "                         [--arrival-file FILE] [--trace] [--timeout SECONDS] HOST PORT\n";

constexpr dicom::Tag kQueryLevel = 0x00080052;
constexpr dicom::Tag kSopInstanceUid = 0x00080018;
constexpr dicom::Tag kStudyInstanceUid = 0x0020000D;
constexpr dicom::Tag kSeriesInstanceUid = 0x0020000E;
// How long an image the archive reports sent may take to show up in the receiver's file.
constexpr auto kArrivalWait = std::chrono::seconds(5);

const char* const kSteps[] = {"resolve", "connect", "echo", "find", "retrieve"};

struct Outcome {
  enum Result { Passed, Failed, Skipped } result;
  std::string code;
  std::vector<std::string> arguments;
  std::string text;
};

void Print(const char* step, const char* result, const std::string& code,
           const std::vector<std::string>& arguments, const std::string& text) {
  std::cout << step << '\t' << result << '\t' << code;
  for (const std::string& argument : arguments)
    std::cout << '\t' << argument;
  std::cout << '\t' << text << '\n';
}

struct Settings {
  NetworkOptions network;
  bool get = false;  // retrieve with C-GET on the association, else with C-MOVE to the own title
  std::string receivePort = "?";
  std::string arrivalFile;
};

std::optional<Settings> ParseSettings(std::span<const std::string_view> args, std::string& error) {
  Settings settings;
  std::vector<std::string_view> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--receive-port" || args[i] == "--arrival-file" || args[i] == "--retrieve") &&
        i + 1 == args.size()) {
      error = std::string(args[i]) + " needs a value";
      return std::nullopt;
    }
    if (args[i] == "--retrieve") {
      const std::string_view method = args[++i];
      if (method != "move" && method != "get") {
        error = "--retrieve takes move or get";
        return std::nullopt;
      }
      settings.get = method == "get";
    } else if (args[i] == "--receive-port") {
      settings.receivePort = args[++i];
    } else if (args[i] == "--arrival-file") {
      settings.arrivalFile = args[++i];
    } else {
      rest.push_back(args[i]);
    }
  }
  std::optional<NetworkOptions> network = ParseNetworkOptions(rest, 0, error);
  if (!network) return std::nullopt;
  settings.network = std::move(*network);
  return settings;
}

std::string Address(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return text;
}

Outcome Resolve(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
    return {Outcome::Failed, "host-not-found", {host}, "host not found: " + host};
  }
  const std::string address = Address(*reinterpret_cast<const sockaddr_in*>(found->ai_addr));
  freeaddrinfo(found);
  return {Outcome::Passed, "ok", {address}, host + " is " + address};
}

// The address this computer has towards the archive: the one the archive must connect back to.
std::string LocalAddress(const dicom::Association& association) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (getsockname(association.Socket().Handle(), reinterpret_cast<sockaddr*>(&local), &length) != 0)
    return "?";
  return Address(local);
}

// The association failed: either no connection came about, or the archive would not have us.
std::pair<Outcome, Outcome> ConnectAndAssociateFailure(const dicom::Association& association,
                                                       const Settings& settings) {
  const std::string why = AssociationFailure(association, settings.network);
  const std::string& calling = settings.network.callingTitle;
  const std::string& called = settings.network.calledTitle;
  if (association.Ended() == dicom::AssociationEnd::NoConnection) {
    const int error = association.Socket().LastError();
    const std::string code = error == ECONNREFUSED ? "refused"
                             : error == ETIMEDOUT  ? "timeout"
                                                   : "other";
    return {{Outcome::Failed, code, {}, why}, {}};
  }
  const std::string peer = settings.network.host + ':' + settings.network.port;
  const Outcome connected{Outcome::Passed, "ok", {peer}, "connected to " + peer};
  if (association.Ended() == dicom::AssociationEnd::Rejected &&
      association.Rejection().source == dicom::AssociateRejectPdu::ServiceUser) {
    if (association.Rejection().reason == 3) {
      return {connected,
              {Outcome::Failed,
               "calling-title-rejected",
               {calling},
               why + ": the archive does not accept the own AE title " + calling +
                   "; register it in the archive"}};
    }
    if (association.Rejection().reason == 7) {
      return {connected,
              {Outcome::Failed,
               "called-title-rejected",
               {called},
               why + ": the archive's AE title is not " + called}};
    }
  }
  return {connected, {Outcome::Failed, "association-failed", {}, why}};
}

Outcome Echo(dicom::Association& association, const NetworkOptions& options) {
  const dicom::CEchoScu echo;
  std::uint16_t status = dicom::kStatusPending;
  dicom::DataSet response;
  if (!echo.SendRequest(association) || !echo.ReceiveResponse(status, response, association)) {
    return {Outcome::Failed,
            "no-answer",
            {},
            "no C-ECHO response: " + AssociationFailure(association, options)};
  }
  if (status != dicom::kStatusSuccess) {
    return {Outcome::Failed,
            "status",
            {StatusText(status)},
            "the archive answered the C-ECHO with status " + StatusText(status)};
  }
  return {Outcome::Passed, "ok", {}, "the archive answered"};
}

// The first match of a query; the query is cancelled once it is there, so that a large archive
// need not list everything. Empty with `failure` set when the query failed, empty without it when
// nothing matched.
std::optional<dicom::DataSet> FirstMatch(dicom::Association& association,
                                         const dicom::DataSet& identifier,
                                         const NetworkOptions& options, Outcome& failure) {
  const dicom::CFindScu find(dicom::kStudyRootFindSopClass);
  if (!find.SendRequest(association, identifier, dicom::kPriorityMedium)) {
    failure = {Outcome::Failed,
               "no-answer",
               {},
               "the query was not sent: " + AssociationFailure(association, options)};
    return std::nullopt;
  }
  std::optional<dicom::DataSet> first;
  std::uint16_t status = dicom::kStatusPending;
  bool cancelled = false;
  while (status == dicom::kStatusPending || status == dicom::kStatusPendingWarning) {
    dicom::DataSet match, command;
    if (!find.ReceiveResponse(status, match, command, association)) {
      failure = {Outcome::Failed,
                 "no-answer",
                 {},
                 "a query response was not read: " + AssociationFailure(association, options)};
      return std::nullopt;
    }
    const bool pending = status == dicom::kStatusPending || status == dicom::kStatusPendingWarning;
    if (pending && !first) first = match;
    std::uint16_t messageId = 0;
    if (pending && !cancelled &&
        command.GetUS(dicom::kMessageIdBeingRespondedToTag, messageId, 0)) {
      cancelled = find.SendCancel(association, messageId);
    }
  }
  if (status != dicom::kStatusSuccess && status != dicom::kStatusCancelled) {
    failure = {Outcome::Failed,
               "status",
               {StatusText(status)},
               "the archive answered the query with status " + StatusText(status)};
    return std::nullopt;
  }
  return first;
}

struct Image {
  std::string study, series, instance;
};

// One image of the first study, found level by level as the browser finds it.
Outcome FindImage(dicom::Association& association, const NetworkOptions& options, Image& image) {
  using dicom::vr::UI;
  Outcome failure{Outcome::Passed, "", {}, ""};
  dicom::DataSet studies;
  studies.InsertText(kQueryLevel, dicom::vr::CS, "STUDY");
  studies.InsertEmpty(kStudyInstanceUid, UI);
  std::optional<dicom::DataSet> study = FirstMatch(association, studies, options, failure);
  // An archive that answers anyone's echo may still abort a query from a title it does not know.
  if (failure.result == Outcome::Failed &&
      association.Ended() == dicom::AssociationEnd::AbortedByPeer) {
    return {Outcome::Failed,
            "calling-title-refused",
            {options.callingTitle},
            failure.text + ": the archive does not take queries from the own AE title " +
                options.callingTitle + "; register it in the archive"};
  }
  if (study) image.study = study->GetText(kStudyInstanceUid, UI);
  std::optional<dicom::DataSet> series, instance;
  if (study) {
    dicom::DataSet query;
    query.InsertText(kQueryLevel, dicom::vr::CS, "SERIES");
    query.InsertText(kStudyInstanceUid, UI, image.study);
    query.InsertEmpty(kSeriesInstanceUid, UI);
    series = FirstMatch(association, query, options, failure);
  }
  if (series) {
    image.series = series->GetText(kSeriesInstanceUid, UI);
    dicom::DataSet query;
    query.InsertText(kQueryLevel, dicom::vr::CS, "IMAGE");
    query.InsertText(kStudyInstanceUid, UI, image.study);
    query.InsertText(kSeriesInstanceUid, UI, image.series);
    query.InsertEmpty(kSopInstanceUid, UI);
    instance = FirstMatch(association, query, options, failure);
  }
  if (failure.result == Outcome::Failed) return failure;
  if (!instance) {
    return {Outcome::Skipped, "no-image", {}, "the archive holds no image to try a retrieve with"};
  }
  image.instance = instance->GetText(kSopInstanceUid, UI);
  return {Outcome::Passed, "ok", {image.instance}, "found image " + image.instance};
}

// The receiver writes what arrives into one file; the image arrived when that file names it.
bool Arrived(const std::string& file, const std::string& instance) {
  const auto deadline = std::chrono::steady_clock::now() + kArrivalWait;
  do {
    dicom::DicomFile stored;
    dicom::DataSet object;
    std::string why;
    if (ReadObject(file, stored, object, why) &&
        object.GetText(kSopInstanceUid, dicom::vr::UI) == instance) {
      std::filesystem::remove(file);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

Outcome Move(dicom::Association& association, const Settings& settings, const Image& image,
             const std::string& localAddress) {
  const NetworkOptions& options = settings.network;
  const std::string& title = options.callingTitle;
  const std::vector<std::string> where = {title, localAddress, settings.receivePort};
  dicom::DataSet identifier;
  identifier.InsertText(kQueryLevel, dicom::vr::CS, "IMAGE");
  identifier.InsertText(kStudyInstanceUid, dicom::vr::UI, image.study);
  identifier.InsertText(kSeriesInstanceUid, dicom::vr::UI, image.series);
  identifier.InsertText(kSopInstanceUid, dicom::vr::UI, image.instance);
  if (!settings.arrivalFile.empty()) std::filesystem::remove(settings.arrivalFile);
  const dicom::CMoveScu move(dicom::kStudyRootMoveSopClass);
  if (!move.SendRequest(association, title, identifier, dicom::kPriorityMedium)) {
    return {Outcome::Failed,
            "no-answer",
            {},
            "the retrieve was not sent: " + AssociationFailure(association, options)};
  }
  std::uint16_t status = dicom::kStatusPending;
  std::uint16_t completed = 0, failed = 0;
  while (status == dicom::kStatusPending || status == dicom::kStatusPendingWarning) {
    dicom::DataSet response, command;
    if (!move.ReceiveResponse(status, response, command, association)) {
      return {Outcome::Failed,
              "no-answer",
              {},
              "a retrieve response was not read: " + AssociationFailure(association, options)};
    }
    command.GetUS(dicom::kCompletedSubOperationsTag, completed, 0);
    command.GetUS(dicom::kFailedSubOperationsTag, failed, 0);
  }
  if (status == dicom::kStatusMoveDestinationUnknown) {
    return {Outcome::Failed, "unknown-destination", where,
            "the archive does not know " + title +
                " as a move destination (status 0xA801): "
                "register " +
                title + " with this computer's address " + localAddress + " and port " +
                settings.receivePort + " in the archive"};
  }
  // Nothing delivered with a final failure (out of resources, unable to process, sub-operations
  // failed) is what an archive answers when it cannot connect to the destination it knows.
  const std::uint16_t kind = status & 0xF000;
  if (completed == 0 && (failed > 0 || kind == 0xA000 || kind == 0xB000 || kind == 0xC000 ||
                         status == dicom::kStatusSuccess)) {
    return {Outcome::Failed, "delivery-failed", where,
            "the archive could not deliver the image to " + title + " (status " +
                StatusText(status) + "): check the address and port registered for " + title +
                " in the archive (this computer: " + localAddress + ", port " +
                settings.receivePort + ") and that no firewall blocks that port"};
  }
  if (status != dicom::kStatusSuccess) {
    return {Outcome::Failed,
            "status",
            {StatusText(status)},
            "the archive answered the retrieve with status " + StatusText(status)};
  }
  if (!settings.arrivalFile.empty() && !Arrived(settings.arrivalFile, image.instance)) {
    return {Outcome::Failed, "not-arrived", where,
            "the archive sent the image to " + title + ", but it did not arrive here: " + title +
                " is registered in the archive with another computer's address or port (this "
                "computer: " +
                localAddress + ", port " + settings.receivePort + ")"};
  }
  return {Outcome::Passed, "ok", {}, "the image arrived"};
}

// With C-GET the image comes on the association itself: it arrived when its sub-operation did.
Outcome Get(dicom::Association& association, const NetworkOptions& options, const Image& image) {
  dicom::DataSet identifier;
  identifier.InsertText(kQueryLevel, dicom::vr::CS, "IMAGE");
  identifier.InsertText(kStudyInstanceUid, dicom::vr::UI, image.study);
  identifier.InsertText(kSeriesInstanceUid, dicom::vr::UI, image.series);
  identifier.InsertText(kSopInstanceUid, dicom::vr::UI, image.instance);
  bool arrived = false;
  dicom::CGetScu get(dicom::kStudyRootGetSopClass,
                     [&](const dicom::StoreRequest& request, const dicom::DataSet&, std::string&) {
                       arrived |= request.sopInstanceUid == image.instance;
                       return dicom::kStatusSuccess;
                     });
  if (!get.SendRequest(association, identifier, dicom::kPriorityMedium)) {
    return {Outcome::Failed,
            "no-answer",
            {},
            "the retrieve was not sent: " + AssociationFailure(association, options)};
  }
  std::uint16_t status = dicom::kStatusPending;
  while (status == dicom::kStatusPending || status == dicom::kStatusPendingWarning) {
    dicom::DataSet response, command;
    if (!get.ReceiveResponse(status, response, command, association)) {
      return {Outcome::Failed,
              "no-answer",
              {},
              "a retrieve response was not read: " + AssociationFailure(association, options) +
                  (get.AbortReason().empty() ? "" : ": " + get.AbortReason())};
    }
  }
  if (status != dicom::kStatusSuccess || !arrived) {
    return {Outcome::Failed,
            "status",
            {StatusText(status)},
            "the archive answered the retrieve with status " + StatusText(status) +
                (arrived ? "" : " and sent no image")};
  }
  return {Outcome::Passed, "ok", {}, "the image arrived"};
}

bool Open(dicom::Association& association, const Settings& settings) {
  if (!settings.get) return OpenAssociation(association, settings.network, kQueryRetrieveSyntaxes);
  PrepareAssociation(association, settings.network);
  association.AddAbstractSyntax(dicom::kVerificationSopClass);
  association.AddAbstractSyntax(dicom::kStudyRootFindSopClass);
  dicom::CGetScu::Propose(association);
  return association.Request(settings.network.host.c_str(), settings.network.port.c_str()) == 1;
}

}  // namespace

int RunSelfTest(std::span<const std::string_view> args) {
  std::string error;
  const std::optional<Settings> settings = ParseSettings(args, error);
  if (!settings) {
    std::cerr << "dicomnet selftest: " << error << '\n' << kSelfTestUsage;
    return 2;
  }
  const TraceScope trace(settings->network.trace);
  std::vector<Outcome> outcomes;
  outcomes.push_back(Resolve(settings->network.host));
  dicom::Association association;
  Image image;
  std::string localAddress = "?";
  if (outcomes.back().result == Outcome::Passed) {
    if (Open(association, *settings)) {
      localAddress = LocalAddress(association);
      const std::string peer = settings->network.host + ':' + settings->network.port;
      outcomes.push_back(
          {Outcome::Passed, "ok", {peer}, "connected to " + peer + " from " + localAddress});
      outcomes.push_back(Echo(association, settings->network));
    } else {
      auto [connect, echo] = ConnectAndAssociateFailure(association, *settings);
      outcomes.push_back(connect);
      if (connect.result == Outcome::Passed) outcomes.push_back(echo);
    }
  }
  if (outcomes.size() == 3 && outcomes.back().result == Outcome::Passed) {
    outcomes.push_back(FindImage(association, settings->network, image));
    if (outcomes.back().result == Outcome::Skipped) {
      outcomes.push_back({Outcome::Skipped, "no-image", {}, "nothing to retrieve"});
    }
  }
  if (outcomes.size() == 4 && outcomes.back().result == Outcome::Passed) {
    outcomes.push_back(settings->get ? Get(association, settings->network, image)
                                     : Move(association, *settings, image, localAddress));
  }
  association.Release();

  bool failed = false;
  for (std::size_t i = 0; i < std::size(kSteps); ++i) {
    if (i >= outcomes.size()) {
      Print(kSteps[i], "not tried", "not-tried", {}, "not tried after the failure above");
      continue;
    }
    const Outcome& outcome = outcomes[i];
    failed |= outcome.result == Outcome::Failed;
    const char* result = outcome.result == Outcome::Passed   ? "passed"
                         : outcome.result == Outcome::Failed ? "failed"
                                                             : "skipped";
    Print(kSteps[i], result, outcome.code, outcome.arguments, outcome.text);
  }
  return failed ? 1 : 0;
}

}  // namespace dicomnet
