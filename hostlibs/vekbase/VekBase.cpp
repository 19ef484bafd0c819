#include "hostlibs/vekbase/VekBase.h"

#include <cstdio>
#include <string>

#include "hostlibs/vekbase/Displays.h"
#include "hostlibs/vekbase/Macro.h"

extern "C" {

// What a command prints is for a person running macros; the plug-in only takes the result.
int macCommand(const char* command) {
  if (command == nullptr) return -1;
  std::string output;
  std::string error;
  const int result = vekbase::RunMacroLine(command, output, error);
  if (!error.empty()) std::fprintf(stderr, "macCommand(\"%s\"): %s\n", command, error.c_str());
  return result;
}

// A protected current display is never loaded into: the plug-in gets the next unprotected one.
std::uint16_t opGetDisplay(void) {
  vekbase::Displays& displays = vekbase::Displays::Instance();
  const vekbase::Display* current = displays.Get(displays.Current());
  if (current != nullptr && !current->isProtected)
    return static_cast<std::uint16_t>(displays.Current());
  return static_cast<std::uint16_t>(displays.NextUnprotected(displays.Current()));
}

// The host's flags choose among kinds of windows; every display here is an image display. A
// number that names no display starts the search before the first one.
std::uint16_t imgGetNextUnprotected(std::uint16_t display, int /*flags*/) {
  return static_cast<std::uint16_t>(vekbase::Displays::Instance().NextUnprotected(display));
}

int imgLoad(std::uint16_t display, const char* path) {
  if (path == nullptr) return 0;
  std::string error;
  if (vekbase::Displays::Instance().Load(display, path, error)) return 1;
  std::fprintf(stderr, "imgLoad(%u): %s\n", static_cast<unsigned>(display), error.c_str());
  return 0;
}

int imgSetName(std::uint16_t display, const char* name) {
  return vekbase::Displays::Instance().SetName(display, name != nullptr ? name : "") ? 1 : 0;
}

}  // extern "C"
