#include "platform/DatePicker.h"

#include <QSignalBlocker>

#include "platform/Ansi.h"

namespace platform {

namespace {

// The dates the home platform's picker accepts.
const QDate kFirstDate(1601, 1, 1);
const QDate kLastDate(9999, 12, 31);

bool InRange(const QDate& date) {
  return date.isValid() && date >= kFirstDate && date <= kLastDate;
}

// Qt reads '' as one quote inside quoted text and outside it, so a literal of quotes only stays
// unquoted: quoted, a single quote would become "''''", which Qt reads as two.
QString QuotedLiteral(const QString& text) {
  const QString escaped = QString(text).replace(QLatin1Char('\''), QStringLiteral("''"));
  if (text.count(QLatin1Char('\'')) == text.size()) return escaped;
  return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// Translates a picture into a Qt date format. Runs of d and M mean the same in both; a year of
// three or four letters is the full year, two letters the last two digits. Qt has no one-digit
// year, so that one is written into the format as text for `date`. Everything else is literal:
// quoted text (where '' is a quote) and any other character.
QString QtDateFormat(const QString& picture, const QDate& date) {
  QString format;
  QString literal;
  const auto flushLiteral = [&] {
    if (!literal.isEmpty()) format += QuotedLiteral(literal);
    literal.clear();
  };
  qsizetype at = 0;
  while (at < picture.size()) {
    const QChar letter = picture[at];
    if (letter == QLatin1Char('d') || letter == QLatin1Char('M') || letter == QLatin1Char('y')) {
      qsizetype run = 1;
      while (at + run < picture.size() && picture[at + run] == letter)
        ++run;
      at += run;
      if (letter != QLatin1Char('y')) {
        flushLiteral();
        format += QString(std::min<qsizetype>(run, 4), letter);
      } else if (run == 1) {
        literal += QString::number(date.year() % 10);
      } else {
        flushLiteral();
        format += run == 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
      }
    } else if (letter == QLatin1Char('\'')) {
      ++at;
      if (at < picture.size() && picture[at] == QLatin1Char('\'')) {
        literal += letter;
        ++at;
        continue;
      }
      while (at < picture.size()) {
        if (picture[at] != QLatin1Char('\'')) {
          literal += picture[at++];
        } else if (at + 1 < picture.size() && picture[at + 1] == QLatin1Char('\'')) {
          literal += letter;
          at += 2;
        } else {
          ++at;
          break;
        }
      }
    } else {
      literal += letter;
      ++at;
    }
  }
  flushLiteral();
  return format;
}

void Raise(const std::function<void(const Notification&)>& sink) {
  // The sink may replace itself while it runs.
  if (const auto copy = sink) copy({.code = Notification::Code::DateTimeChange});
}

// Shows the picture in the edit field; an empty one shows the locale's short date, the home
// platform's default.
void ShowPicture(QDateEdit& edit, const std::string& picture) {
  const QString format = picture.empty() ? QLocale().dateFormat(QLocale::ShortFormat)
                                         : QtDateFormat(FromAnsi(picture), edit.date());
  if (edit.displayFormat() != format) edit.setDisplayFormat(format);
}

}  // namespace

std::string FormatDatePicture(const char* picture, const QDate& date, const QLocale& locale) {
  return ToAnsi(
      locale.toString(date, QtDateFormat(FromAnsi(picture != nullptr ? picture : ""), date)));
}

DatePicker::DatePicker(QWidget* parent) : QDateEdit(QDate::currentDate(), parent) {
  setCalendarPopup(true);
  setDateRange(kFirstDate, kLastDate);
  ShowPicture(*this, picture_);
  // Only the user's edits come through here: the program's changes block the signal.
  connect(this, &QDateEdit::dateChanged, this, [this] {
    ShowPicture(*this, picture_);
    Raise(sink_);
  });
}

void DatePicker::SetNotifySink(std::function<void(const Notification&)> sink) {
  sink_ = std::move(sink);
}

bool DatePicker::SetDate(int year, int month, int day) {
  const QDate wanted(year, month, day);
  if (!InRange(wanted)) return false;
  {
    const QSignalBlocker blocker(this);
    setDate(wanted);
  }
  ShowPicture(*this, picture_);
  return true;
}

void DatePicker::SetFormat(const char* picture) {
  picture_ = picture != nullptr ? picture : "";
  ShowPicture(*this, picture_);
}

std::string DatePicker::WindowText() const {
  if (picture_.empty()) return ToAnsi(QLocale().toString(date(), QLocale::ShortFormat));
  return FormatDatePicture(picture_.c_str(), date(), QLocale());
}

int DatePicker::GetWindowText(char* buffer, int size) const {
  return CopyToBuffer(WindowText(), buffer, size);
}

void DatePicker::UserSetDate(const QDate& date) {
  if (!InRange(date)) return;
  {
    const QSignalBlocker blocker(this);
    setDate(date);
  }
  ShowPicture(*this, picture_);
  Raise(sink_);
}

}  // namespace platform
