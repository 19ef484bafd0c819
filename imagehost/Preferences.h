#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

// The host's settings, kept with QSettings. Every change is applied at once: the host language,
// the locale of date pickers, the [intl] profile values that the plug-in and the date formatting
// read, and the plug-in's own settings in the [dicom] profile section.
class Preferences {
 public:
  // Language codes as the macro language answers them.
  static constexpr int kGerman = 0;
  static constexpr int kEnglish = 1;
  static constexpr int kFrench = 2;
  // Short-date orders, numbered as the [intl] iDate value.
  static constexpr int kMonthFirst = 0;
  static constexpr int kDayFirst = 1;
  static constexpr int kYearFirst = 2;

  QString archiveHost = "127.0.0.1";
  int archivePort = 104;
  QString callingAeTitle = "IMAGEHOST";
  QString calledAeTitle = "ANY-SCP";
  int receivePort = 11112;
  int checkDuplicate = 0;
  int language = kEnglish;
  int dateOrder = kMonthFirst;
  QString dateSeparator = "/";
  // "move": the archive sends retrieved images to the receiver; "get": they come on the browser's
  // own association.
  QString retrieveMethod = "move";
  // DICOM over TLS for the browser, the export and the receiver: the authority of the archive's
  // certificate, and the host's own certificate and key (PEM files).
  int useTls = 0;
  QString tlsCaFile;
  QString tlsCertFile;
  QString tlsKeyFile;
  // "archive": the receiver takes associations only from the archive host's addresses; "any".
  QString receiveFrom = "archive";

  // The defaults, with the date order and separator of the user's locale, overlaid with the
  // valid values that were saved.
  void Load();
  void Save() const;
  void Apply() const;

  // The window placements that the host's libraries keep in the [placement] profile section,
  // kept in the settings between runs: read at start, written at exit.
  static void LoadPlacements();
  static void SavePlacements();

  // Called at the end of every Apply, so that what follows the values (the receiver) can.
  std::function<void()> applied;

  // The options of `dicomnet` that connect to the archive as the plug-in does: TLS, when used.
  QStringList ClientTlsOptions() const;
  // The options of `dicomnet receive` that follow from the values: TLS and whom it accepts.
  QStringList ReceiverOptions() const;

  // The keys in the order the macro language lists them.
  static const std::vector<std::string>& Keys();
  // The value of a key as text; false for an unknown key.
  bool Get(const std::string& key, std::string& value) const;
  // Checks and sets one value; false with the reason when it is not valid. Set also saves and
  // applies it.
  bool Assign(const std::string& key, const std::string& value, std::string& error);
  bool Set(const std::string& key, const std::string& value, std::string& error);
};
