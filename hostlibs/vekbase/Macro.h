#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The host's macro language: one command a line, `name(arg, ...)`, strings in double quotes
// (with \" and \\), integers bare, `#` starts a comment. The host program registers its
// commands; "macGetLanguage" is built in.
namespace vekbase {

struct MacroArgument {
  bool isText = false;
  std::string text;  // the string, or the integer as written
  long long number = 0;
};

struct MacroCall {
  std::string name;
  std::vector<MacroArgument> arguments;
};

struct ParsedLine {
  std::optional<MacroCall> call;  // none for an empty or comment line
  std::string error;              // set when the line is malformed
};
ParsedLine ParseMacroLine(std::string_view line);

// A command: its numeric result (-1 for failure, with the reason in `error`) and the lines it
// prints in `output`.
using MacroHandler =
    std::function<int(const MacroCall& call, std::string& output, std::string& error)>;
void RegisterMacro(const std::string& name, MacroHandler handler);
void UnregisterMacro(const std::string& name);

// Parses and runs one line; an empty or comment line gives 0. Unknown commands fail.
int RunMacroLine(std::string_view line, std::string& output, std::string& error);

// The host's language: 0 German, 1 English, 2 French; English at start.
int HostLanguage();
void SetHostLanguage(int code);

}  // namespace vekbase
