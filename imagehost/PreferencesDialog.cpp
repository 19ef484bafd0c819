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
#include <QPushButton>
#include <QSpinBox>

#include "imagehost/SelfTest.h"
#include "platform/Ansi.h"
#include "platform/MessageBox.h"

namespace {

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
  // Each language named in itself, so that a reader of any one finds their own. Item data is the
  // language code.
  language_ = new QComboBox;
  language_->addItem("English", Preferences::kEnglish);
  language_->addItem("Deutsch", Preferences::kGerman);
  language_->addItem("Français", Preferences::kFrench);
  language_->setCurrentIndex(language_->findData(preferences.language));
  // Broken by hand: a wrapping label in a form row is given the height of a narrower one.
  auto* languageNote =
      new QLabel(tr("imagehost changes its language at once,\nthe DICOM "
                    "plug-in at the next Query/Retrieve or Send."));
  dateOrder_ = new QComboBox;
  dateOrder_->addItems({tr("Month, day, year"), tr("Day, month, year"), tr("Year, month, day")});
  dateOrder_->setCurrentIndex(preferences.dateOrder);
  dateSeparator_ = new QLineEdit(preferences.dateSeparator);
  dateSeparator_->setMaxLength(1);
  // Item data is the value of the preference.
  retrieveMethod_ = new QComboBox;
  retrieveMethod_->addItem(tr("C-MOVE: the archive sends to the receive port"), "move");
  retrieveMethod_->addItem(tr("C-GET: the images come on the query connection"), "get");
  retrieveMethod_->setCurrentIndex(retrieveMethod_->findData(preferences.retrieveMethod));

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
  selfTest_ = new SelfTest(this);
  connect(testConnection_, &QPushButton::clicked, this, &PreferencesDialog::TestConnection);
  connect(selfTest_, &SelfTest::Finished, this, [this](const QStringList& lines, bool) {
    ShowConnectionResult(lines.join('\n'));
    testConnection_->setText(tr("&Test connection"));
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
  form->addRow(tr("Retrie&ve with:"), retrieveMethod_);
  form->addRow(tr("&Receive port:"), receivePort_);
  form->addRow(tr("Receive &from:"), receiveFrom_);
  form->addRow(tr("Duplicates:"), checkDuplicate_);
  form->addRow(tr("&Language:"), language_);
  form->addRow(QString(), languageNote);
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
  // A button as wide as its text, so that the path keeps the room.
  choose->setMaximumWidth(choose->fontMetrics().horizontalAdvance(choose->text()) * 3);
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

// A shown dialog keeps its height when a wrapping label's text grows, which cut the report after
// its first line: the dialog grows until the whole report shows.
void PreferencesDialog::ShowConnectionResult(const QString& text) {
  connectionResult_->setText(text);
  layout()->activate();
  const int needed = layout()->totalHeightForWidth(width());
  if (needed > height()) resize(width(), needed);
}

void PreferencesDialog::TestConnection() {
  if (selfTest_->IsRunning()) {
    selfTest_->Cancel();
    return;
  }
  Preferences shown;
  QString refusal;
  if (!Shown(shown, refusal)) {
    ShowConnectionResult(refusal);
    return;
  }
  // While the test runs, the button cancels it.
  testConnection_->setText(tr("Cancel the &test"));
  ShowConnectionResult(tr("Testing the connection..."));
  selfTest_->Start(shown);
}

// The checks' own reasons are for macros, in English; those a user can meet here are said in
// the user's language.
QString PreferencesDialog::Refusal(const std::string& key, const std::string& error) {
  if (key == "archiveHost") return tr("The archive host takes a host name or an address.");
  if (key == "callingAeTitle" || key == "calledAeTitle")
    return tr("An AE title takes 1 to 16 printable characters, not all of them spaces.");
  if (key == "dateSeparator")
    return tr("The date separator is one character, neither a letter nor a digit.");
  return QString::fromStdString(error);
}

bool PreferencesDialog::Shown(Preferences& shown, QString& refusal) const {
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
      {"retrieveMethod", retrieveMethod_->currentData().toString().toStdString()},
      {"useTls", useTls_->isChecked() ? "1" : "0"},
      {"tlsCaFile", tlsCaFile_->text().toStdString()},
      {"tlsCertFile", tlsCertFile_->text().toStdString()},
      {"tlsKeyFile", tlsKeyFile_->text().toStdString()},
      {"receiveFrom", receiveFrom_->currentData().toString().toStdString()},
  };
  shown = preferences_;
  for (const auto& [key, value] : values) {
    std::string error;
    if (!shown.Assign(key, value, error)) {
      refusal = Refusal(key, error);
      return false;
    }
  }
  return true;
}

// Goes through the same checks as the macro language; a value refused keeps the dialog open and
// changes nothing.
void PreferencesDialog::accept() {
  Preferences changed;
  QString refusal;
  if (!Shown(changed, refusal)) {
    platform::MessageBox(this, platform::ToAnsi(refusal).c_str(),
                         platform::ToAnsi(windowTitle()).c_str(),
                         platform::kMbOk | platform::kMbIconStop);
    return;
  }
  preferences_ = changed;
  preferences_.Save();
  preferences_.Apply();
  QDialog::accept();
}
