#pragma once

#include <QObject>
#include <QStringList>

#include "imagehost/Preferences.h"

class QProcess;

// The connection self-test: runs `dicomnet selftest` with the given settings (the receiver the host
// started takes the test image) and puts its report, one line per step, in the user's language.
class SelfTest : public QObject {
  Q_OBJECT

 public:
  explicit SelfTest(QObject* parent);

  // Ignored while a test runs.
  void Start(const Preferences& preferences);
  bool IsRunning() const;
  // Stops a running test at once; its report then says so.
  void Cancel();

  // One line of the tool's report in the user's language: "Echo: passed, the archive answered".
  static QString Translate(const QString& toolLine);

 signals:
  // The report's lines, and whether no step failed.
  void Finished(const QStringList& lines, bool passed);

 private:
  void Ended();

  QProcess* process_;
  bool cancelled_ = false;
};
