#pragma once

#include <QString>

// The host's own texts, and Qt's (standard buttons, the file dialog), in the language chosen.
// The host's translations sit in translations/ beside the program; Qt's where Qt keeps them.
//
// Installing them makes Qt send every widget a language change, which the open windows take to
// retranslate themselves.

// `language` is "de", "fr" or "en"; English needs no translation. Replaces the translations of
// the language before. False when the host's own translation of the language is not found.
bool UseTranslations(const QString& language);

QString TranslationsFolder();
