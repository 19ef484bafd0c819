#include "platform/DatePicker.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "platform/Ansi.h"
#include "platform/OsServices.h"

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

// The picture of the short date in the order and with the separator of the regional settings
// ([intl] iDate and sDate, which the host fills from its preferences), always with the four-digit
// year: a two-digit one turned a typed birth year 52 into 2052.
std::string ShortDatePicture() {
  char separatorText[8] = {};
  GetProfileString("intl", "sDate", ".", separatorText, sizeof separatorText);
  const std::string separator = separatorText[0] == '\0'   ? std::string(".")
                                : separatorText[0] == '\'' ? std::string("''")
                                                           : std::string(1, separatorText[0]);
  switch (GetProfileInt("intl", "iDate", 0)) {
    case 1:
      return "dd" + separator + "MM" + separator + "yyyy";
    case 2:
      return "yyyy" + separator + "MM" + separator + "dd";
    default:
      return "MM" + separator + "dd" + separator + "yyyy";
  }
}

// An empty picture is the short date, the home platform's default.
std::string EffectivePicture(const std::string& picture) {
  return picture.empty() ? ShortDatePicture() : picture;
}

void ShowPicture(QDateEdit& edit, const std::string& picture) {
  const QString format = QtDateFormat(FromAnsi(EffectivePicture(picture)), edit.date());
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
  lineEdit()->installEventFilter(this);
  // Only the user's edits come through here: the program's changes block the signal.
  connect(this, &QDateEdit::dateChanged, this, [this] {
    ShowPicture(*this, picture_);
    Raise(sink_);
  });
}

// After the click has placed the cursor, which names the field.
bool DatePicker::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    setSelectedSection(currentSection());
  }
  return QDateEdit::eventFilter(watched, event);
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
  return FormatDatePicture(EffectivePicture(picture_).c_str(), date(), QLocale());
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
