#pragma once

// The language of the plug-in's windows and messages follows the host's, asked on every entry.
namespace plugin {

// Asks the host for its language and keeps it in LanguageCode: 0 German, 2 French, else English.
void QueryHostLanguage();
// Resources carry English base ids; German ones are 2000 above, French ones 1000.
unsigned LocalizedId(unsigned baseId);
// The localized string in one shared buffer that the next call overwrites (callers copy what they
// keep), or "???" when the string cannot be loaded.
const char* LoadLocalizedString(unsigned baseId);

}  // namespace plugin
