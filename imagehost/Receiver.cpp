#include "imagehost/Receiver.h"

#include <sys/prctl.h>

#include <QCoreApplication>
#include <csignal>

namespace {

// How long the receiver may take to finish what it serves before it is killed.
constexpr int kStopWaitMs = 3000;
// Only the end of what the receiver says matters for the message.
constexpr qsizetype kErrorsKept = 2048;

}  // namespace

Receiver::Receiver(std::function<void(const QString&)> report) : report_(std::move(report)) {}

Receiver::~Receiver() {
  Stop();
}

void Receiver::Follow(const QString& aeTitle, int port, const QStringList& options) {
  if (process_ != nullptr && aeTitle == aeTitle_ && port == port_ && options == options_) return;
  Stop();
  aeTitle_ = aeTitle;
  port_ = port;
  options_ = options;
  Start();
}

void Receiver::Start() {
  errors_.clear();
  process_ = new QProcess(this);
  // Its lines per object are of no use here; standard output must stay the macro's.
  process_->setStandardOutputFile(QProcess::nullDevice());
  // A host that dies without stopping it takes it along.
  process_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  connect(process_, &QProcess::readyReadStandardError, this, [this] {
    errors_.append(process_->readAllStandardError());
    if (errors_.size() > kErrorsKept) errors_.remove(0, errors_.size() - kErrorsKept);
  });
  connect(process_, &QProcess::finished, this, &Receiver::Ended);
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    const QString why = process_->errorString();
    process_->deleteLater();
    process_ = nullptr;
    report_(tr("The storage receiver %1 could not be started: %2. Retrieved images cannot arrive.")
                .arg(QCoreApplication::applicationDirPath() + "/dicomnet", why));
  });
  process_->start(
      QCoreApplication::applicationDirPath() + "/dicomnet",
      QStringList{"receive", "-aet", aeTitle_, "--port", QString::number(port_)} + options_);
}

// Only an end the host did not ask for comes here: the port taken, say.
void Receiver::Ended() {
  errors_.append(process_->readAllStandardError());
  process_->deleteLater();
  process_ = nullptr;
  QString why = QString::fromLocal8Bit(errors_).trimmed();
  if (why.startsWith("dicomnet receive: ")) why.remove(0, 18);
  report_(tr("The storage receiver for %1 on port %2 stopped (%3). Retrieved images cannot "
             "arrive until the own AE title or the receive port is changed.")
              .arg(aeTitle_)
              .arg(port_)
              .arg(why.isEmpty() ? tr("no reason given") : why));
}

void Receiver::Stop() {
  if (process_ == nullptr) return;
  QProcess* process = process_;
  process_ = nullptr;
  process->disconnect(this);
  if (process->state() != QProcess::NotRunning) {
    process->terminate();
    if (!process->waitForFinished(kStopWaitMs)) {
      process->kill();
      process->waitForFinished(kStopWaitMs);
    }
  }
  delete process;
}
