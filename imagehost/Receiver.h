#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

// The storage receiver that runs beside the host: `dicomnet receive` with the host's own AE title
// and receive port, so that the objects an archive moves to the host land where the browser
// looks for them. It runs as long as the host does and follows changes of the two preferences.
class Receiver : public QObject {
  Q_OBJECT

 public:
  // `report` is told, in words for the user, why the receiver does not run.
  explicit Receiver(std::function<void(const QString&)> report);
  ~Receiver() override;
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

  // Starts the receiver, or restarts it when the title, the port or the options (TLS, whom it
  // accepts) are not those it runs with.
  void Follow(const QString& aeTitle, int port, const QStringList& options);
  // Asks the receiver to end (after the association it serves), and kills it when it does not.
  void Stop();

 private:
  void Start();
  void Ended();

  std::function<void(const QString&)> report_;
  QProcess* process_ = nullptr;
  QString aeTitle_;
  int port_ = 0;
  QStringList options_;
  QByteArray errors_;
};
