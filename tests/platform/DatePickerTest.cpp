#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "platform/Ansi.h"
#include "platform/DatePicker.h"
#include "platform/OsServices.h"

namespace platform {
namespace {

const QDate kDate(2002, 12, 4);  // a Wednesday

// Sets the default locale for one test and puts the previous one back.
class DefaultLocale {
 public:
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(previous_); }

 private:
  QLocale previous_;
};

TEST(DatePickerTest, FormatDatePicture) {
  const QLocale english(QLocale::English, QLocale::UnitedKingdom);
  const QLocale french(QLocale::French, QLocale::France);
  const struct {
    const char* picture;
    const QLocale& locale;
    const char* expected;
  } cases[] = {
      {"dd' 'MMM' 'yyy", english, "04 Dec 2002"},
      {"d/M/yy", english, "4/12/02"},
      {"dddd, MMMM d", english, "Wednesday, December 4"},
      {"'It''s' yyy''", english, "It's 2002'"},
      {"d MMMM yyy", french,
       "4 d\xE9"
       "cembre 2002"},
      {"", english, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDatePicture(c.picture, kDate, c.locale), c.expected) << c.picture;
  }
}

TEST(DatePickerTest, WindowTextFollowsThePictureAndTheDate) {
  const DefaultLocale locale(QLocale(QLocale::English, QLocale::UnitedKingdom));
  DatePicker picker(nullptr);
  int changes = 0;
  picker.SetNotifySink([&](const Notification& n) {
    EXPECT_EQ(n.code, Notification::Code::DateTimeChange);
    ++changes;
  });

  ASSERT_TRUE(picker.SetDate(2002, 12, 4));
  for (const auto& [year, month, day] : {std::tuple{2002, 2, 30}, {0, 0, 0}, {1600, 12, 31}}) {
    EXPECT_FALSE(picker.SetDate(year, month, day)) << year << "-" << month << "-" << day;
  }
  EXPECT_EQ(picker.Date(), kDate);

  // The pictures are FormatDatePicture's; here the text must follow the picture and the date, and
  // only the user's changes notify.
  picker.SetFormat("yyyMMdd");
  char buffer[5];
  EXPECT_EQ(picker.GetWindowText(buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "2002");
  EXPECT_EQ(changes, 0);
  picker.SetFormat("dd' 'MMM' 'yyy");
  picker.UserSetDate(QDate(2003, 1, 30));
  QTest::keyClick(&picker, Qt::Key_Up);  // the day section steps on
  EXPECT_EQ(picker.WindowText(), "31 Jan 2003");
  EXPECT_EQ(ToAnsi(picker.text()), "31 Jan 2003");
  EXPECT_EQ(changes, 2);
}

// Without a picture of its own the picker shows the short date of the regional settings with the
// four-digit year, and typed digits replace the field the user clicked, as on the home platform.
TEST(DatePickerTest, ShortDateFollowsTheRegionalSettings) {
  const struct {
    const char* order;
    const char* separator;
    const char* text;
    double yearAt;  // where the year field sits, as a share of the text's width
  } cases[] = {
      {"0", "/", "12/04/2002", 0.8},
      {"1", ".", "04.12.2002", 0.8},
      {"2", "-", "2002-12-04", 0.2},
  };
  for (const auto& c : cases) {
    WriteProfileString("intl", "iDate", c.order);
    WriteProfileString("intl", "sDate", c.separator);
    DatePicker picker(nullptr);
    ASSERT_TRUE(picker.SetDate(2002, 12, 4));
    EXPECT_EQ(picker.WindowText(), c.text);
    EXPECT_EQ(ToAnsi(picker.text()), c.text);

    picker.show();
    picker.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&picker));
    QLineEdit* edit = picker.findChild<QLineEdit*>();
    const int textWidth = edit->fontMetrics().horizontalAdvance(edit->text());
    QTest::mouseClick(edit, Qt::LeftButton, {},
                      QPoint(4 + static_cast<int>(textWidth * c.yearAt), edit->height() / 2));
    QTest::keyClicks(&picker, "1952");
    EXPECT_EQ(picker.Date().toString(Qt::ISODate), "1952-12-04") << c.text;
  }
}

TEST(DatePickerTest, AnsiConversions) {
  const struct {
    QString text;
    std::string bytes;
  } roundTrips[] = {
      {QStringLiteral(u"Müller"), "M\xFCller"},
      {QStringLiteral(u"€ – Ÿ"), "\x80 \x96 \x9F"},
      {QString(QChar(0x81)), "\x81"},  // a byte the code page leaves free
  };
  for (const auto& r : roundTrips) {
    EXPECT_EQ(ToAnsi(r.text), r.bytes) << r.text.toStdString();
    EXPECT_EQ(FromAnsi(r.bytes), r.text) << r.text.toStdString();
  }
  EXPECT_EQ(ToAnsi(QStringLiteral(u"Ω 日 😀")), "? ? ?");

  char buffer[4] = "xyz";
  EXPECT_EQ(CopyToBuffer("abcdef", buffer, 0), 0);
  EXPECT_STREQ(buffer, "xyz");
  EXPECT_EQ(CopyToBuffer("abcdef", buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(CopyToBuffer("a", buffer, sizeof buffer), 1);
  EXPECT_STREQ(buffer, "a");
}

}  // namespace
}  // namespace platform
