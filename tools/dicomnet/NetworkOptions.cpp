#include "tools/dicomnet/NetworkOptions.h"

#include <charconv>
#include <iostream>

#include "data/DataDictionary.h"
#include "dimse/CommandTags.h"
#include "dimse/StreamErrorLog.h"
#include "dimse/StreamTraceLog.h"
#include "tools/dicomnet/Commands.h"

namespace dicomnet {
namespace {

// "gggg,eeee", with or without parentheses.
std::optional<dicom::Tag> ParseTag(std::string_view text) {
  if (text.size() == 11 && text.front() == '(' && text.back() == ')') text = text.substr(1, 9);
  if (text.size() != 9 || text[4] != ',') return std::nullopt;
  unsigned group = 0, element = 0;
  const auto hex = [](std::string_view digits, unsigned& out) {
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), out, 16);
    return error == std::errc() && end == digits.data() + digits.size();
  };
  if (!hex(text.substr(0, 4), group) || !hex(text.substr(5, 4), element)) return std::nullopt;
  return dicom::MakeTag(static_cast<std::uint16_t>(group), static_cast<std::uint16_t>(element));
}

template <typename T>
bool ParseNumber(const std::string& text, T& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool ParseTlsOption(std::span<const std::string_view> args, std::size_t& i,
                    std::optional<dicom::TlsConfig>& tls, bool& asked, std::string& error) {
  const std::string_view arg = args[i];
  if (arg == "--tls") {
    if (!tls) tls.emplace();
    asked = true;
    return true;
  }
  if (arg != "--ca-file" && arg != "--cert" && arg != "--key") return false;
  if (i + 1 == args.size()) {
    error = std::string(arg) + " needs a value";
    return true;
  }
  if (!tls) tls.emplace();
  const std::string value(args[++i]);
  (arg == "--ca-file" ? tls->caFile : arg == "--cert" ? tls->certFile : tls->keyFile) = value;
  return true;
}

bool CheckTlsOptions(const std::optional<dicom::TlsConfig>& tls, bool asked, bool acceptor,
                     std::string& error) {
  if (!tls) return true;
  if (!asked) {
    error = "--ca-file, --cert and --key need --tls";
  } else if (tls->certFile.empty() != tls->keyFile.empty()) {
    error = "--cert and --key go together";
  } else if (acceptor && tls->certFile.empty()) {
    error = "--tls needs --cert and --key here";
  }
  return error.empty();
}

std::optional<NetworkOptions> ParseNetworkOptions(std::span<const std::string_view> args,
                                                  unsigned allowed, std::string& error) {
  NetworkOptions options;
  std::vector<std::string> positional;
  bool tlsAsked = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (ParseTlsOption(args, i, options.tls, tlsAsked, error)) {
      if (!error.empty()) return std::nullopt;
      continue;
    }
    const bool takesValue = arg == "-aet" || arg == "-aec" || arg == "-aem" || arg == "-L" ||
                            arg == "-k" || arg == "--timeout" || arg == "--max-send-pdu" ||
                            arg == "--output-dir";
    if (takesValue && i + 1 == args.size()) {
      error = std::string(arg) + " needs a value";
      return std::nullopt;
    }
    const std::string value = takesValue ? std::string(args[i + 1]) : std::string();
    if (arg == "-aet") {
      options.callingTitle = value;
    } else if (arg == "-aec") {
      options.calledTitle = value;
    } else if (arg == "-aem" && (allowed & kMoveDestination)) {
      options.moveDestination = value;
    } else if (arg == "-L" && (allowed & kLevel)) {
      if (value != "study" && value != "series" && value != "image") {
        error = "-L takes study, series or image";
        return std::nullopt;
      }
      std::string level = value;
      for (char& c : level)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      options.level = level;
    } else if (arg == "-k" && (allowed & (kKeys | kReturnKeys))) {
      const std::size_t equals = value.find('=');
      const std::optional<dicom::Tag> tag = ParseTag(std::string_view(value).substr(0, equals));
      if (!tag) {
        error = "bad tag in -k " + value + " (expected gggg,eeee)";
        return std::nullopt;
      }
      if (equals == std::string::npos && !(allowed & kReturnKeys)) {
        error = "-k " + value + " needs a value (gggg,eeee=VALUE)";
        return std::nullopt;
      }
      Key& key = options.keys.emplace_back(Key{*tag, {}});
      if (equals != std::string::npos) key.value = value.substr(equals + 1);
    } else if (arg == "--timeout") {
      if (!ParseNumber(value, options.timeout) || options.timeout <= 0) {
        error = "--timeout takes a positive number of seconds";
        return std::nullopt;
      }
    } else if (arg == "--max-send-pdu" && (allowed & kMaxSendPdu)) {
      if (!ParseNumber(value, options.maxSendPdu) || options.maxSendPdu < 4096 ||
          options.maxSendPdu > 131072) {
        error = "--max-send-pdu takes a number of bytes from 4096 to 131072";
        return std::nullopt;
      }
    } else if (arg == "--output-dir" && (allowed & kOutputDir)) {
      options.outputDir = value;
    } else if (arg == "--trace") {
      options.trace = true;
    } else if (arg.size() > 1 && arg.front() == '-') {
      error = "unknown option " + std::string(arg);
      return std::nullopt;
    } else {
      positional.emplace_back(arg);
    }
    if (takesValue) ++i;
  }
  if (!CheckTlsOptions(options.tls, tlsAsked, false, error)) return std::nullopt;
  if (positional.size() < 2) {
    error = "missing host or port";
    return std::nullopt;
  }
  if (positional.size() > 2 && !(allowed & kFiles)) {
    error = "unexpected argument " + positional[2];
    return std::nullopt;
  }
  if ((allowed & kFiles) && positional.size() == 2) {
    error = "missing files";
    return std::nullopt;
  }
  options.host = positional[0];
  options.port = positional[1];
  options.files.assign(positional.begin() + 2, positional.end());
  return options;
}

bool BuildIdentifier(const NetworkOptions& options, dicom::DataSet& identifier,
                     std::string& error) {
  using namespace dicom;
  if (options.level) identifier.InsertText(0x00080052, vr::CS, *options.level);
  for (const Key& key : options.keys) {
    VrCode vr = vr::UN;
    DataDictionary::Instance().Lookup(key.tag, vr);
    if (!key.value || key.value->empty()) {
      if (vr == vr::SQ) {
        identifier.InsertSequence(key.tag, {});
      } else {
        identifier.InsertEmpty(key.tag, vr);
      }
      continue;
    }
    const std::string& text = *key.value;
    const auto number = [&](auto value, auto insert) {
      if (!ParseNumber(text, value)) return false;
      (identifier.*insert)(key.tag, value);
      return true;
    };
    bool parsed = true;
    switch (vr) {
      case vr::US:
        parsed = number(std::uint16_t{}, &DataSet::InsertUS);
        break;
      case vr::SS:
        parsed = number(std::int16_t{}, &DataSet::InsertSS);
        break;
      case vr::UL:
        parsed = number(std::uint32_t{}, &DataSet::InsertUL);
        break;
      case vr::SL:
        parsed = number(std::int32_t{}, &DataSet::InsertSL);
        break;
      case vr::FL:
        parsed = number(float{}, &DataSet::InsertFL);
        break;
      case vr::FD:
        parsed = number(double{}, &DataSet::InsertFD);
        break;
      case vr::SQ:
        error = "a sequence key takes no value";
        return false;
      default:
        identifier.InsertText(key.tag, vr, text);
    }
    if (!parsed) {
      error = "bad number " + text;
      return false;
    }
  }
  return true;
}

const std::array<std::string_view, 3> kQueryRetrieveSyntaxes = {
    dicom::kVerificationSopClass, dicom::kStudyRootFindSopClass, dicom::kStudyRootMoveSopClass};

std::string StatusText(std::uint16_t status) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", status);
  return text;
}

void PrepareAssociation(dicom::Association& association, const NetworkOptions& options) {
  association.Flush();
  association.ClearAbstractSyntaxes();
  association.SetCallingTitle(options.callingTitle);
  association.SetCalledTitle(options.calledTitle);
  association.SetApplicationContext("1.2.840.10008.3.1.1.1");
  association.Socket().SetReceiveTimeout(options.timeout);
  if (options.maxSendPdu != 0) {
    association.SetMaxSendPdu(options.maxSendPdu);
  } else {
    association.FollowPeerMaximum();
  }
  if (options.tls) {
    association.Socket().UseTls(*options.tls);
  } else {
    association.Socket().UsePlain();
  }
}

bool OpenAssociation(dicom::Association& association, const NetworkOptions& options,
                     std::span<const std::string_view> abstractSyntaxes) {
  PrepareAssociation(association, options);
  for (std::string_view uid : abstractSyntaxes)
    association.AddAbstractSyntax(uid);
  return association.Request(options.host.c_str(), options.port.c_str()) == 1;
}

namespace {

dicom::StreamTraceLog traceLog(std::cerr);
dicom::StreamErrorLog errorLog(std::cerr);

}  // namespace

TraceScope::TraceScope(bool trace) : trace_(trace) {
  if (!trace_) return;
  dicom::InstallTraceLog(&traceLog);
  dicom::InstallErrorLog(&errorLog);
}

TraceScope::~TraceScope() {
  if (!trace_) return;
  dicom::InstallTraceLog(nullptr);
  dicom::InstallErrorLog(nullptr);
}

}  // namespace dicomnet
