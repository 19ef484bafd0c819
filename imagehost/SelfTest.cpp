#include "imagehost/SelfTest.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <array>

#include "platform/OsServices.h"

namespace {

// Each network stage waits at most this long; the whole test is stopped a while after its stages
// could have ended, should one hang all the same.
constexpr int kStageTimeoutSeconds = 10;
constexpr int kDeadlineMilliseconds = 90 * 1000;

// A word of the tool's report and its text in the user's language.
struct Entry {
  const char* key;
  const char* text;
};

// The tool's steps, codes and what a passed step found; %1, %2, %3 stand for the code's arguments
// in order. The texts are translated where they are shown.
constexpr std::array kStepNames = {
    Entry{"resolve", QT_TRANSLATE_NOOP("SelfTest", "Resolve the host")},
    Entry{"connect", QT_TRANSLATE_NOOP("SelfTest", "Connect")},
    Entry{"echo", QT_TRANSLATE_NOOP("SelfTest", "Echo (C-ECHO)")},
    Entry{"find", QT_TRANSLATE_NOOP("SelfTest", "Find an image (C-FIND)")},
    Entry{"retrieve", QT_TRANSLATE_NOOP("SelfTest", "Retrieve it to this computer")},
};

constexpr std::array kCodeTexts = {
    Entry{"host-not-found", QT_TRANSLATE_NOOP("SelfTest", "host %1 not found")},
    Entry{"refused",
          QT_TRANSLATE_NOOP("SelfTest", "the connection was refused: no archive listens there")},
    Entry{"timeout", QT_TRANSLATE_NOOP("SelfTest", "no connection within the time-out")},
    Entry{"calling-title-rejected",
          QT_TRANSLATE_NOOP("SelfTest",
                            "the archive does not accept the own AE title %1: "
                            "register it in the archive")},
    Entry{"called-title-rejected",
          QT_TRANSLATE_NOOP("SelfTest", "the archive's AE title is not %1")},
    Entry{"calling-title-refused",
          QT_TRANSLATE_NOOP("SelfTest",
                            "the archive does not take queries from the own AE "
                            "title %1: register it in the archive")},
    Entry{"status", QT_TRANSLATE_NOOP("SelfTest", "the archive answered with status %1")},
    Entry{"no-image",
          QT_TRANSLATE_NOOP("SelfTest", "the archive holds no image to try a retrieve with")},
    Entry{"unknown-destination",
          QT_TRANSLATE_NOOP("SelfTest",
                            "the archive does not know %1 as a destination: "
                            "register %1 with this computer's address %2 and "
                            "port %3 in the archive")},
    Entry{"delivery-failed",
          QT_TRANSLATE_NOOP("SelfTest",
                            "the archive could not deliver the image to %1: check "
                            "the address and port registered for %1 in the "
                            "archive (this computer: %2, port %3) and that no "
                            "firewall blocks that port")},
    Entry{"not-arrived", QT_TRANSLATE_NOOP("SelfTest",
                                           "the archive sent the image to %1, but it did not "
                                           "arrive here: %1 is registered in the archive with "
                                           "another computer's address or port (this computer: "
                                           "%2, port %3)")},
};

constexpr std::array kPassedTexts = {
    Entry{"resolve", QT_TRANSLATE_NOOP("SelfTest", "the address is %1")},
    Entry{"connect", QT_TRANSLATE_NOOP("SelfTest", "connected to %1")},
    Entry{"echo", QT_TRANSLATE_NOOP("SelfTest", "the archive answered")},
    Entry{"find", QT_TRANSLATE_NOOP("SelfTest", "found image %1")},
    Entry{"retrieve", QT_TRANSLATE_NOOP("SelfTest", "the image arrived")},
};

QString Tr(const char* text) {
  return QCoreApplication::translate("SelfTest", text);
}

template <typename Table>
const char* Lookup(const Table& table, const QString& key) {
  for (const auto& entry : table)
    if (key == QLatin1String(entry.key)) return entry.text;
  return nullptr;
}

QString TemporaryFile() {
  char directory[260];
  platform::GetTempPath(sizeof directory, directory);
  return QString::fromLocal8Bit(directory) + "tempDic.dic";
}

}  // namespace

SelfTest::SelfTest(QObject* parent) : QObject(parent), process_(new QProcess(this)) {
  connect(process_, &QProcess::finished, this, &SelfTest::Ended);
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    emit Finished({tr("%1 cannot be started.").arg(process_->program())}, false);
  });
}

bool SelfTest::IsRunning() const {
  return process_->state() != QProcess::NotRunning;
}

void SelfTest::Cancel() {
  if (!IsRunning()) return;
  cancelled_ = true;
  process_->kill();
}

void SelfTest::Start(const Preferences& preferences) {
  if (IsRunning()) return;
  cancelled_ = false;
  process_->start(
      QCoreApplication::applicationDirPath() + "/dicomnet",
      QStringList{"selftest", "--timeout", QString::number(kStageTimeoutSeconds), "-aet",
                  preferences.callingAeTitle, "-aec", preferences.calledAeTitle, "--retrieve",
                  preferences.retrieveMethod, "--receive-port",
                  QString::number(preferences.receivePort), "--arrival-file", TemporaryFile()}
          << preferences.ClientTlsOptions() << preferences.archiveHost
          << QString::number(preferences.archivePort));
  // The deadline belongs to this run only, not to one started after it.
  QTimer::singleShot(kDeadlineMilliseconds, process_, [this, run = process_->processId()] {
    if (IsRunning() && process_->processId() == run) process_->kill();
  });
}

void SelfTest::Ended() {
  if (cancelled_) {
    cancelled_ = false;
    emit Finished({tr("The test was cancelled.")}, false);
    return;
  }
  QStringList lines;
  const QString report = QString::fromLocal8Bit(process_->readAllStandardOutput());
  for (const QString& line : report.split('\n', Qt::SkipEmptyParts))
    lines << Translate(line);
  const bool passed = process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
  if (process_->exitStatus() != QProcess::NormalExit)
    lines << tr("The test was stopped: no answer within %1 s.").arg(kDeadlineMilliseconds / 1000);
  else if (lines.isEmpty())
    lines << QString::fromLocal8Bit(process_->readAllStandardError()).trimmed();
  emit Finished(lines, passed);
}

// The tool's line: step, result, code, the code's arguments, and its own English text last, which
// stands in for a code this table does not know.
QString SelfTest::Translate(const QString& toolLine) {
  const QStringList fields = toolLine.split('\t');
  if (fields.size() < 4) return toolLine;
  const QString& step = fields[0];
  const QString& result = fields[1];
  const QString& code = fields[2];
  const QStringList arguments = fields.mid(3, fields.size() - 4);
  const char* name = Lookup(kStepNames, step);
  const QString shownName = name != nullptr ? Tr(name) : step;
  if (result == "not tried")
    return Tr(QT_TRANSLATE_NOOP("SelfTest", "%1: %2"))
        .arg(shownName, Tr(QT_TRANSLATE_NOOP("SelfTest", "not tried")));
  const char* text = result == "passed" ? Lookup(kPassedTexts, step) : Lookup(kCodeTexts, code);
  QString detail = text != nullptr ? Tr(text) : fields.back();
  for (const QString& argument : arguments)
    detail = detail.arg(argument);
  const QString verdict = result == "passed"   ? Tr(QT_TRANSLATE_NOOP("SelfTest", "passed"))
                          : result == "failed" ? Tr(QT_TRANSLATE_NOOP("SelfTest", "failed"))
                                               : Tr(QT_TRANSLATE_NOOP("SelfTest", "skipped"));
  // A step, its verdict and what it found.
  return Tr(QT_TRANSLATE_NOOP("SelfTest", "%1: %2, %3")).arg(shownName, verdict, detail);
}
