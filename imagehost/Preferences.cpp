#include "imagehost/Preferences.h"

#include <QLocale>
#include <QSettings>
#include <cctype>
#include <charconv>

#include "hostlibs/vekbase/Macro.h"
#include "hostlibs/vekutil/VekSizableDlg.h"
#include "imagehost/Translations.h"
#include "platform/OsServices.h"

namespace {

QSettings Settings() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, "imagehost", "imagehost");
}

// The order of day, month and year in the locale's short date format, such as "dd.MM.yy".
int LocaleDateOrder(const QString& format) {
  const auto day = format.indexOf('d');
  const auto month = format.indexOf('M');
  const auto year = format.indexOf('y');
  if (year >= 0 && (month < 0 || year < month) && (day < 0 || year < day))
    return Preferences::kYearFirst;
  if (day >= 0 && month >= 0 && day < month) return Preferences::kDayFirst;
  return Preferences::kMonthFirst;
}

// The first character of the format that is neither a field letter, a quote nor a space: a
// format with month names and spaces (the C locale's "d MMM yyyy") has none, and gets "/".
QString LocaleDateSeparator(const QString& format) {
  for (const QChar c : format)
    if (!c.isLetter() && c != '\'' && !c.isSpace()) return QString(c);
  return "/";
}

bool ParseNumber(const std::string& text, int low, int high, int& number) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return false;
  number = value;
  return true;
}

// AE titles: 1 to 16 characters of the default repertoire, not all spaces.
bool ValidAeTitle(const std::string& text) {
  if (text.empty() || text.size() > 16 || text.find_first_not_of(' ') == std::string::npos)
    return false;
  for (const char c : text)
    if (c < 0x20 || c > 0x7E || c == '\\') return false;
  return true;
}

}  // namespace

void Preferences::Load() {
  const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
  dateOrder = LocaleDateOrder(format);
  dateSeparator = LocaleDateSeparator(format);
  // A value edited by hand into something invalid leaves the default.
  const QSettings settings = Settings();
  for (const std::string& key : Keys()) {
    const QString name = QString::fromStdString(key);
    std::string ignored;
    if (settings.contains(name))
      Assign(key, settings.value(name).toString().toStdString(), ignored);
  }
}

void Preferences::Save() const {
  QSettings settings = Settings();
  for (const std::string& key : Keys()) {
    std::string value;
    Get(key, value);
    settings.setValue(QString::fromStdString(key), QString::fromStdString(value));
  }
}

void Preferences::LoadPlacements() {
  QSettings settings = Settings();
  settings.beginGroup(kPlacementSection);
  for (const QString& key : settings.childKeys()) {
    platform::WriteProfileString(kPlacementSection, key.toStdString().c_str(),
                                 settings.value(key).toString().toStdString().c_str());
  }
}

void Preferences::SavePlacements() {
  QSettings settings = Settings();
  settings.beginGroup(kPlacementSection);
  for (const std::string& key : platform::ProfileKeys(kPlacementSection)) {
    char value[64];
    platform::GetProfileString(kPlacementSection, key.c_str(), "", value, sizeof value);
    settings.setValue(QString::fromStdString(key), QString::fromLatin1(value));
  }
}

void Preferences::Apply() const {
  // The plug-in reads the host language at its next call; the host's windows change at once.
  vekbase::SetHostLanguage(language);
  UseTranslations(language == kGerman ? "de" : language == kFrench ? "fr" : "en");
  // Date pickers take their month names from the default locale.
  QLocale::setDefault(QLocale(language == kGerman   ? QLocale::German
                              : language == kFrench ? QLocale::French
                                                    : QLocale::English));
  platform::WriteProfileString("intl", "iDate", std::to_string(dateOrder).c_str());
  platform::WriteProfileString("intl", "sDate", dateSeparator.toStdString().c_str());
  // The one place that writes the section the plug-in reads its DICOM settings from, at each
  // connect, under the names of the preferences.
  for (const char* key : {"retrieveMethod", "useTls", "tlsCaFile", "tlsCertFile", "tlsKeyFile"}) {
    std::string value;
    Get(key, value);
    platform::WriteProfileString("dicom", key, value.c_str());
  }
  if (applied) applied();
}

QStringList Preferences::ReceiverOptions() const {
  QStringList options;
  if (useTls == 1) {
    options << "--tls"
            << "--cert" << tlsCertFile << "--key" << tlsKeyFile;
    if (!tlsCaFile.isEmpty()) options << "--ca-file" << tlsCaFile;
  }
  if (receiveFrom == "archive") options << "--accept-from" << archiveHost;
  return options;
}

QStringList Preferences::ClientTlsOptions() const {
  QStringList options;
  if (useTls != 1) return options;
  options << "--tls";
  if (!tlsCaFile.isEmpty()) options << "--ca-file" << tlsCaFile;
  if (!tlsCertFile.isEmpty()) options << "--cert" << tlsCertFile;
  if (!tlsKeyFile.isEmpty()) options << "--key" << tlsKeyFile;
  return options;
}

const std::vector<std::string>& Preferences::Keys() {
  static const std::vector<std::string> keys = {
      "archiveHost",    "archivePort", "callingAeTitle", "calledAeTitle", "receivePort",
      "checkDuplicate", "language",    "dateOrder",      "dateSeparator", "retrieveMethod",
      "useTls",         "tlsCaFile",   "tlsCertFile",    "tlsKeyFile",    "receiveFrom"};
  return keys;
}

bool Preferences::Get(const std::string& key, std::string& value) const {
  if (key == "archiveHost")
    value = archiveHost.toStdString();
  else if (key == "archivePort")
    value = std::to_string(archivePort);
  else if (key == "callingAeTitle")
    value = callingAeTitle.toStdString();
  else if (key == "calledAeTitle")
    value = calledAeTitle.toStdString();
  else if (key == "receivePort")
    value = std::to_string(receivePort);
  else if (key == "checkDuplicate")
    value = std::to_string(checkDuplicate);
  else if (key == "language")
    value = std::to_string(language);
  else if (key == "dateOrder")
    value = std::to_string(dateOrder);
  else if (key == "dateSeparator")
    value = dateSeparator.toStdString();
  else if (key == "retrieveMethod")
    value = retrieveMethod.toStdString();
  else if (key == "useTls")
    value = std::to_string(useTls);
  else if (key == "tlsCaFile")
    value = tlsCaFile.toStdString();
  else if (key == "tlsCertFile")
    value = tlsCertFile.toStdString();
  else if (key == "tlsKeyFile")
    value = tlsKeyFile.toStdString();
  else if (key == "receiveFrom")
    value = receiveFrom.toStdString();
  else
    return false;
  return true;
}

bool Preferences::Assign(const std::string& key, const std::string& value, std::string& error) {
  const auto number = [&](int low, int high, int& field) {
    if (ParseNumber(value, low, high, field)) return true;
    error = key + " takes a number from " + std::to_string(low) + " to " + std::to_string(high);
    return false;
  };
  const auto aeTitle = [&](QString& field) {
    if (ValidAeTitle(value)) {
      field = QString::fromStdString(value);
      return true;
    }
    error = key + " takes 1 to 16 printable characters";
    return false;
  };
  bool valid = false;
  if (key == "archiveHost") {
    valid = !value.empty() && value.find_first_of(" \t") == std::string::npos;
    if (valid)
      archiveHost = QString::fromStdString(value);
    else
      error = "archiveHost takes a host name or address";
  } else if (key == "archivePort") {
    valid = number(1, 65535, archivePort);
  } else if (key == "callingAeTitle") {
    valid = aeTitle(callingAeTitle);
  } else if (key == "calledAeTitle") {
    valid = aeTitle(calledAeTitle);
  } else if (key == "receivePort") {
    valid = number(1, 65535, receivePort);
  } else if (key == "checkDuplicate") {
    valid = number(0, 1, checkDuplicate);
  } else if (key == "language") {
    valid = number(kGerman, kFrench, language);
  } else if (key == "dateOrder") {
    valid = number(kMonthFirst, kYearFirst, dateOrder);
  } else if (key == "dateSeparator") {
    // One character that cannot be part of a date field.
    valid = value.size() == 1 && !std::isalnum(static_cast<unsigned char>(value[0])) &&
            static_cast<unsigned char>(value[0]) >= 0x20 && value[0] != '\'';
    if (valid)
      dateSeparator = QString::fromStdString(value);
    else
      error = "dateSeparator takes one character that is neither a letter nor a digit";
  } else if (key == "retrieveMethod") {
    valid = value == "move" || value == "get";
    if (valid)
      retrieveMethod = QString::fromStdString(value);
    else
      error = "retrieveMethod takes move or get";
  } else if (key == "useTls") {
    valid = number(0, 1, useTls);
  } else if (key == "tlsCaFile" || key == "tlsCertFile" || key == "tlsKeyFile") {
    // A path, or empty; it goes on a command line and into the profile as one value.
    valid = value.find_first_of("\r\n") == std::string::npos;
    if (valid) {
      (key == "tlsCaFile"     ? tlsCaFile
       : key == "tlsCertFile" ? tlsCertFile
                              : tlsKeyFile) = QString::fromStdString(value);
    } else {
      error = key + " takes the path of a file";
    }
  } else if (key == "receiveFrom") {
    valid = value == "archive" || value == "any";
    if (valid)
      receiveFrom = QString::fromStdString(value);
    else
      error = "receiveFrom takes archive or any";
  } else {
    error = "no preference named " + key;
  }
  return valid;
}

bool Preferences::Set(const std::string& key, const std::string& value, std::string& error) {
  if (!Assign(key, value, error)) return false;
  Save();
  Apply();
  return true;
}
