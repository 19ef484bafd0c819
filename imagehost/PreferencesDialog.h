#pragma once

#include <QDialog>

#include "imagehost/Preferences.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class SelfTest;
class QPushButton;
class QSpinBox;

// The host's own settings window; OK saves and applies what it shows.
class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  PreferencesDialog(Preferences& preferences, QWidget* parent);

  void accept() override;

 private:
  // Runs the self-test with what the dialog shows and puts its report in the label.
  void TestConnection();
  void ShowConnectionResult(const QString& text);
  // What the dialog shows, checked as the macro language checks it; false with the refusal.
  bool Shown(Preferences& shown, QString& refusal) const;
  static QString Refusal(const std::string& key, const std::string& error);
  // A path field with a button that chooses the file.
  QWidget* FileField(QLineEdit*& edit, const QString& value, const QString& title);

  Preferences& preferences_;
  QLineEdit* archiveHost_;
  QSpinBox* archivePort_;
  QLineEdit* callingAeTitle_;
  QLineEdit* calledAeTitle_;
  QSpinBox* receivePort_;
  QCheckBox* checkDuplicate_;
  QComboBox* language_;
  QComboBox* dateOrder_;
  QLineEdit* dateSeparator_;
  QComboBox* retrieveMethod_;
  QCheckBox* useTls_;
  QLineEdit* tlsCaFile_;
  QLineEdit* tlsCertFile_;
  QLineEdit* tlsKeyFile_;
  QComboBox* receiveFrom_;
  QPushButton* testConnection_;
  QLabel* connectionResult_;
  SelfTest* selfTest_;
};
