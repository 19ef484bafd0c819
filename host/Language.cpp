#include "host/Language.h"

#include "host/Module.h"
#include "hostlibs/vekbase/VekBase.h"
#include "platform/Resources.h"

namespace plugin {

void QueryHostLanguage() {
  const auto code = static_cast<std::uint16_t>(macCommand("macGetLanguage ()") & 0xFFFF);
  LanguageCode = code == kLanguageGerman || code == kLanguageFrench ? code : kLanguageEnglish;
}

unsigned LocalizedId(unsigned baseId) {
  switch (LanguageCode) {
    case kLanguageGerman:
      return baseId + 2000;
    case kLanguageFrench:
      return baseId + 1000;
    default:
      return baseId;
  }
}

const char* LoadLocalizedString(unsigned baseId) {
  static char buffer[kTextBuffer];
  if (platform::LoadString(LocalizedId(baseId), buffer, sizeof buffer) == 0) return "???";
  return buffer;
}

}  // namespace plugin
