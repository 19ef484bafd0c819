#include "hostlibs/vekbase/Macro.h"

#include <cctype>
#include <charconv>
#include <map>

namespace vekbase {

namespace {

// Reads one line left to right; the first error ends it.
class LineParser {
 public:
  explicit LineParser(std::string_view line) : line_(line) {}

  ParsedLine Parse() {
    ParsedLine parsed;
    SkipSpaces();
    if (AtEndOfCommand()) return parsed;
    MacroCall call;
    if (!ParseName(call.name) || !ParseArguments(call.arguments)) {
      parsed.error = error_;
      return parsed;
    }
    SkipSpaces();
    if (!AtEndOfCommand()) {
      parsed.error = "unexpected text after ')' at column " + Column();
      return parsed;
    }
    parsed.call = std::move(call);
    return parsed;
  }

 private:
  bool AtEnd() const { return pos_ >= line_.size(); }
  char Peek() const { return line_[pos_]; }
  bool AtEndOfCommand() const { return AtEnd() || Peek() == '#'; }
  std::string Column() const { return std::to_string(pos_ + 1); }

  // Carriage returns too, for lines from files written on the home platform.
  void SkipSpaces() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r'))
      ++pos_;
  }

  bool Fail(std::string error) {
    error_ = std::move(error);
    return false;
  }

  bool ParseName(std::string& name) {
    const std::size_t start = pos_;
    while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(Peek())) || Peek() == '_'))
      ++pos_;
    if (pos_ == start || std::isdigit(static_cast<unsigned char>(line_[start])))
      return Fail("expected a command name at column " + std::to_string(start + 1));
    name = line_.substr(start, pos_ - start);
    return true;
  }

  bool ParseArguments(std::vector<MacroArgument>& arguments) {
    SkipSpaces();
    if (AtEnd() || Peek() != '(') return Fail("missing '(' after the command name");
    ++pos_;
    SkipSpaces();
    if (!AtEnd() && Peek() == ')') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpaces();
      MacroArgument argument;
      if (!ParseArgument(argument)) return false;
      arguments.push_back(std::move(argument));
      SkipSpaces();
      if (AtEnd() || Peek() == '#') return Fail("missing ')'");
      if (Peek() == ')') {
        ++pos_;
        return true;
      }
      if (Peek() != ',') return Fail("expected ',' or ')' at column " + Column());
      ++pos_;
    }
  }

  bool ParseArgument(MacroArgument& argument) {
    if (AtEnd() || Peek() == '#' || Peek() == ',' || Peek() == ')')
      return Fail("missing argument at column " + Column());
    if (Peek() == '"') return ParseString(argument);
    if (Peek() == '-' || Peek() == '+' || std::isdigit(static_cast<unsigned char>(Peek())))
      return ParseInteger(argument);
    return Fail("expected a string or an integer at column " + Column());
  }

  bool ParseString(MacroArgument& argument) {
    const std::size_t start = pos_++;
    argument.isText = true;
    while (!AtEnd() && Peek() != '"') {
      if (Peek() == '\\') {
        ++pos_;
        if (AtEnd()) break;
        if (Peek() != '"' && Peek() != '\\')
          return Fail(std::string("unknown escape '\\") + Peek() + "' at column " + Column());
      }
      argument.text += Peek();
      ++pos_;
    }
    if (AtEnd()) return Fail("unterminated string starting at column " + std::to_string(start + 1));
    ++pos_;
    return true;
  }

  bool ParseInteger(MacroArgument& argument) {
    const std::size_t start = pos_;
    if (Peek() == '-' || Peek() == '+') ++pos_;
    const std::size_t digits = pos_;
    while (!AtEnd() && std::isdigit(static_cast<unsigned char>(Peek())))
      ++pos_;
    if (pos_ == digits) return Fail("expected digits at column " + Column());
    if (!AtEnd() &&
        (std::isalpha(static_cast<unsigned char>(Peek())) || Peek() == '_' || Peek() == '.'))
      return Fail("not an integer at column " + std::to_string(start + 1));
    argument.text = line_.substr(start, pos_ - start);
    // from_chars takes a minus sign but no plus sign.
    const std::size_t from = line_[start] == '+' ? digits : start;
    const auto [end, error] =
        std::from_chars(line_.data() + from, line_.data() + pos_, argument.number);
    if (error != std::errc() || end != line_.data() + pos_)
      return Fail("integer out of range at column " + std::to_string(start + 1));
    return true;
  }

  std::string_view line_;
  std::size_t pos_ = 0;
  std::string error_;
};

int hostLanguage = 1;

int GetLanguage(const MacroCall& call, std::string& output, std::string& error) {
  if (!call.arguments.empty()) {
    error = "macGetLanguage takes no arguments";
    return -1;
  }
  output += std::to_string(hostLanguage) + "\n";
  return hostLanguage;
}

std::map<std::string, MacroHandler>& Registry() {
  static std::map<std::string, MacroHandler> registry{{"macGetLanguage", GetLanguage}};
  return registry;
}

}  // namespace

ParsedLine ParseMacroLine(std::string_view line) {
  return LineParser(line).Parse();
}

void RegisterMacro(const std::string& name, MacroHandler handler) {
  Registry()[name] = std::move(handler);
}

void UnregisterMacro(const std::string& name) {
  Registry().erase(name);
}

int RunMacroLine(std::string_view line, std::string& output, std::string& error) {
  ParsedLine parsed = ParseMacroLine(line);
  if (!parsed.error.empty()) {
    error = parsed.error;
    return -1;
  }
  if (!parsed.call) return 0;
  auto found = Registry().find(parsed.call->name);
  if (found == Registry().end()) {
    error = "unknown command '" + parsed.call->name + "'";
    return -1;
  }
  // The command may unregister itself, or register others, while it runs.
  const MacroHandler handler = found->second;
  return handler(*parsed.call, output, error);
}

int HostLanguage() {
  return hostLanguage;
}

void SetHostLanguage(int code) {
  hostLanguage = code;
}

}  // namespace vekbase
