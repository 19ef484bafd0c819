#pragma once

#include <QDateEdit>
#include <QLocale>
#include <functional>
#include <string>

#include "platform/Notification.h"

namespace platform {

// Writes a date with a display-format picture of the home platform's date picker: d, dd, ddd,
// dddd, M, MM, MMM, MMMM, y, yy, yyy (the four-digit year), yyyy, and literal text in single
// quotes; month and day names come from the locale.
std::string FormatDatePicture(const char* picture, const QDate& date, const QLocale& locale);

// A date picker whose window text follows its display-format picture ("dd' 'MMM' 'yyy" shows
// 04 Dec 2002, "yyyMMdd" 20021204); without one it shows the short date of the regional settings
// ([intl] iDate and sDate) with the four-digit year. A click selects the whole field (day, month or
// year) under it, so that typed digits replace that field. Texts are in code page 1252.
class DatePicker : public QDateEdit {
  Q_OBJECT

 public:
  explicit DatePicker(QWidget* parent);

  void SetNotifySink(std::function<void(const Notification&)> sink);
  // False, and the picker keeps its date, when the fields make no valid date.
  bool SetDate(int year, int month, int day);
  QDate Date() const { return date(); }
  void SetFormat(const char* picture);
  const std::string& Format() const { return picture_; }
  std::string WindowText() const;
  int GetWindowText(char* buffer, int size) const;
  // As a user picking a date: sets it and raises DateTimeChange.
  void UserSetDate(const QDate& date);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string picture_;
  std::function<void(const Notification&)> sink_;
};

}  // namespace platform
