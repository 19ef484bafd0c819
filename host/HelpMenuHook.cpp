#include "host/HelpMenuHook.h"

#include <cstring>

#include "host/Module.h"

namespace plugin {
namespace {

constexpr std::uint32_t kFirstHelpContext = 39600;
constexpr std::uint32_t kLastHelpContext = 39610;
constexpr char kHelpFile[] = "Dicom.hlp";

}  // namespace

int HelpMenuHook(MenuRequest* request) {
  const std::uint32_t command = request->command & 0xFFFF;
  const std::uint32_t flag = request->command >> 16;
  if (request->kind == kMenuRequestHelpFile && flag <= 1 && command >= kFirstHelpContext &&
      command <= kLastHelpContext) {
    std::memcpy(request->text, kHelpFile, sizeof kHelpFile);
  }
  return menuCallNextHook(HookHandle, request);
}

}  // namespace plugin
