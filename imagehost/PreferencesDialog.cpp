#include "imagehost/PreferencesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "platform/Ansi.h"
#include "platform/MessageBox.h"

namespace {

// Each stage of the echo (connect, association, response) waits at most this long; the process
// is stopped a little after it, should a stage hang all the same.
constexpr int kEchoTimeoutSeconds = 10;
constexpr int kEchoDeadlineMilliseconds = (kEchoTimeoutSeconds + 5) * 1000;

QSpinBox* PortBox(int value) {
  auto* box = new QSpinBox;
  box->setRange(1, 65535);
  box->setValue(value);
  return box;
}

QLineEdit* AeTitleEdit(const QString& value) {
  auto* edit = new QLineEdit(value);
  edit->setMaxLength(16);
  return edit;
}

}  // namespace

PreferencesDialog::PreferencesDialog(Preferences& preferences, QWidget* parent)
    : QDialog(parent), preferences_(preferences) {
  setWindowTitle(tr("Preferences"));
  archiveHost_ = new QLineEdit(preferences.archiveHost);
  archivePort_ = PortBox(preferences.archivePort);
  callingAeTitle_ = AeTitleEdit(preferences.callingAeTitle);
  calledAeTitle_ = AeTitleEdit(preferences.calledAeTitle);
  receivePort_ = PortBox(preferences.receivePort);
  checkDuplicate_ = new QCheckBox(tr("Ask the archive before storing an image it may hold"));
  checkDuplicate_->setChecked(preferences.checkDuplicate != 0);
  // Item data is the language code.
  language_ = new QComboBox;
  language_->addItem(tr("English"), Preferences::kEnglish);
  language_->addItem(tr("German"), Preferences::kGerman);
  language_->addItem(tr("French"), Preferences::kFrench);
  language_->setCurrentIndex(language_->findData(preferences.language));
  dateOrder_ = new QComboBox;
  dateOrder_->addItems({tr("Month, day, year"), tr("Day, month, year"), tr("Year, month, day")});
  dateOrder_->setCurrentIndex(preferences.dateOrder);
  dateSeparator_ = new QLineEdit(preferences.dateSeparator);
  dateSeparator_->setMaxLength(1);

  useTls_ = new QCheckBox(tr("Connect with TLS (DICOM over TLS 1.2 or 1.3)"));
  useTls_->setChecked(preferences.useTls != 0);
  QWidget* caFile = FileField(tlsCaFile_, preferences.tlsCaFile, tr("Archive's authority"));
  QWidget* certFile = FileField(tlsCertFile_, preferences.tlsCertFile, tr("Own certificate"));
  QWidget* keyFile = FileField(tlsKeyFile_, preferences.tlsKeyFile, tr("Own private key"));
  // Item data is the preference's value.
  receiveFrom_ = new QComboBox;
  receiveFrom_->addItem(tr("The archive host only"), "archive");
  receiveFrom_->addItem(tr("Any computer"), "any");
  receiveFrom_->setCurrentIndex(receiveFrom_->findData(preferences.receiveFrom));

  testConnection_ = new QPushButton(tr("&Test connection"));
  connectionResult_ = new QLabel;
  connectionResult_->setWordWrap(true);
  connectionResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  echo_ = new QProcess(this);
  connect(testConnection_, &QPushButton::clicked, this, &PreferencesDialog::TestConnection);
  connect(echo_, &QProcess::finished, this, &PreferencesDialog::ShowEchoResult);
  connect(echo_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    connectionResult_->setText(tr("%1 cannot be started.").arg(echo_->program()));
    testConnection_->setEnabled(true);
  });

  auto* form = new QFormLayout;
  form->addRow(tr("Archive &host:"), archiveHost_);
  form->addRow(tr("Archive &port:"), archivePort_);
  form->addRow(tr("&Own AE title:"), callingAeTitle_);
  form->addRow(tr("&Archive AE title:"), calledAeTitle_);
  form->addRow(tr("Security:"), useTls_);
  form->addRow(tr("Authority (C&A):"), caFile);
  form->addRow(tr("Own &certificate:"), certFile);
  form->addRow(tr("Own &key:"), keyFile);
  form->addRow(testConnection_, connectionResult_);
  form->addRow(tr("&Receive port:"), receivePort_);
  form->addRow(tr("Receive &from:"), receiveFrom_);
  form->addRow(tr("Duplicates:"), checkDuplicate_);
  form->addRow(tr("&Language:"), language_);
  form->addRow(tr("Short date &order:"), dateOrder_);
  form->addRow(tr("Date &separator:"), dateSeparator_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
  setLayout(form);
}

QWidget* PreferencesDialog::FileField(QLineEdit*& edit, const QString& value,
                                      const QString& title) {
  edit = new QLineEdit(value);
  auto* choose = new QPushButton(tr("..."));
  connect(choose, &QPushButton::clicked, this, [this, edit, title] {
    const QString path = QFileDialog::getOpenFileName(
        this, title, edit->text(), tr("PEM files (*.pem *.crt *.key);;All files (*)"));
    if (!path.isEmpty()) edit->setText(path);
  });
  auto* field = new QWidget;
  auto* row = new QHBoxLayout(field);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit);
  row->addWidget(choose);
  return field;
}

void PreferencesDialog::TestConnection() {
  if (echo_->state() != QProcess::NotRunning) return;
  testConnection_->setEnabled(false);
  connectionResult_->setText(tr("Testing the connection..."));
  QStringList arguments = {"echo",
                           "--timeout",
                           QString::number(kEchoTimeoutSeconds),
                           "-aet",
                           callingAeTitle_->text(),
                           "-aec",
                           calledAeTitle_->text()};
  if (useTls_->isChecked()) {
    arguments << "--tls";
    if (!tlsCaFile_->text().isEmpty()) arguments << "--ca-file" << tlsCaFile_->text();
    if (!tlsCertFile_->text().isEmpty()) arguments << "--cert" << tlsCertFile_->text();
    if (!tlsKeyFile_->text().isEmpty()) arguments << "--key" << tlsKeyFile_->text();
  }
  arguments << archiveHost_->text().trimmed() << QString::number(archivePort_->value());
  echo_->start(QCoreApplication::applicationDirPath() + "/dicomnet", arguments);
  // The deadline belongs to this run only, not to one started after it.
  QTimer::singleShot(kEchoDeadlineMilliseconds, echo_, [this, run = echo_->processId()] {
    if (echo_->state() != QProcess::NotRunning && echo_->processId() == run) echo_->kill();
  });
}

// The tool's last line on standard error is the reason, after its own name.
void PreferencesDialog::ShowEchoResult() {
  testConnection_->setEnabled(true);
  if (echo_->exitStatus() == QProcess::NormalExit && echo_->exitCode() == 0) {
    connectionResult_->setText(tr("Connection OK: the archive answered."));
    return;
  }
  QString reason = QString::fromLocal8Bit(echo_->readAllStandardError()).trimmed();
  reason = reason.section('\n', -1).remove(QStringLiteral("dicomnet echo: "));
  if (echo_->exitStatus() != QProcess::NormalExit)
    reason = tr("no answer within %1 s").arg(kEchoTimeoutSeconds);
  connectionResult_->setText(tr("Connection failed: %1").arg(reason));
}

// Goes through the same checks as the macro language; a value refused keeps the dialog open and
// changes nothing.
void PreferencesDialog::accept() {
  const std::pair<std::string, std::string> values[] = {
      {"archiveHost", archiveHost_->text().trimmed().toStdString()},
      {"archivePort", std::to_string(archivePort_->value())},
      {"callingAeTitle", callingAeTitle_->text().toStdString()},
      {"calledAeTitle", calledAeTitle_->text().toStdString()},
      {"receivePort", std::to_string(receivePort_->value())},
      {"checkDuplicate", checkDuplicate_->isChecked() ? "1" : "0"},
      {"language", std::to_string(language_->currentData().toInt())},
      {"dateOrder", std::to_string(dateOrder_->currentIndex())},
      {"dateSeparator", dateSeparator_->text().toStdString()},
      {"useTls", useTls_->isChecked() ? "1" : "0"},
      {"tlsCaFile", tlsCaFile_->text().toStdString()},
      {"tlsCertFile", tlsCertFile_->text().toStdString()},
      {"tlsKeyFile", tlsKeyFile_->text().toStdString()},
      {"receiveFrom", receiveFrom_->currentData().toString().toStdString()},
  };
  Preferences changed = preferences_;
  for (const auto& [key, value] : values) {
    std::string error;
    if (!changed.Assign(key, value, error)) {
      platform::MessageBox(this, platform::ToAnsi(QString::fromStdString(error)).c_str(),
                           "Preferences", platform::kMbOk | platform::kMbIconStop);
      return;
    }
  }
  preferences_ = changed;
  preferences_.Save();
  preferences_.Apply();
  QDialog::accept();
}
