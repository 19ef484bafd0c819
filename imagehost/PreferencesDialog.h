#pragma once

#include <QDialog>

#include "imagehost/Preferences.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// The host's own settings window; OK saves and applies what it shows.
class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  PreferencesDialog(Preferences& preferences, QWidget* parent);

  void accept() override;

 private:
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
};
