#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>
#include <functional>

#include "browser/BrowserFixture.h"
#include "platform/DatePicker.h"
#include "support/Screenshots.h"

// The filter dialog as the user fills it: what the caption line shows afterwards, what the next
// study query sends, and what the dialog shows when it opens again.
namespace browser_test {
namespace {

constexpr int kFilterButton = 6014;
constexpr int kCaption = 6013;

class FilterTest : public PluginFixture {
 protected:
  // Opens the filter dialog and lets `act` work on it, from the dialog's own event loop.
  void Filter(const std::function<void(QWidget*)>& act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->findChild<QWidget*>("6016") != nullptr) {
          acted = true;
          act(window);
        }
      }
    });
    Click(kFilterButton);
    EXPECT_TRUE(acted);
  }
  std::string Caption() const {
    return platform::ToAnsi(Control(kCaption)->property("text").toString());
  }
};

void Press(QWidget* dialog, int id) {
  auto* button = dialog->findChild<QAbstractButton*>(QString::number(id));
  ASSERT_NE(button, nullptr) << id;
  button->click();
}

void PickDate(QWidget* dialog, int id, int year, int month, int day) {
  auto* picker = dialog->findChild<platform::DatePicker*>(QString::number(id));
  ASSERT_NE(picker, nullptr) << id;
  picker->UserSetDate(QDate(year, month, day));
}

TEST_F(FilterTest, TheFilterNarrowsTheStudyQuery) {
  struct Case {
    const char* name;
    std::function<void(QWidget*)> act;
    std::string caption;
    std::string identifier;
  };
  const Case cases[] = {
      {"family name",
       [](QWidget* d) {
         Press(d, 6024);
         d->findChild<QLineEdit*>("6016")->setText("Smith");
         Press(d, platform::kIdOk);
       },
       "Family Name : Smith", StudyKeys("", "Smith^*", "")},
      {"birthday range",
       [](QWidget* d) {
         Press(d, 6026);
         Press(d, 6018);
         PickDate(d, 6020, 2002, 1, 1);
         PickDate(d, 6021, 2002, 1, 31);
         Press(d, platform::kIdOk);
       },
       "Birthday : between 01/01/2002 and 01/31/2002", StudyKeys("", "", "20020101 - 20020131")},
      {"exact creation date",
       [](QWidget* d) {
         Press(d, 6027);
         PickDate(d, 6022, 2002, 12, 4);
         Press(d, platform::kIdOk);
       },
       "Creation Date : 12/04/2002", StudyKeys("20021204", "", "")},
      {"none",
       [](QWidget* d) {
         Press(d, 6023);
         Press(d, platform::kIdOk);
       },
       "", StudyKeys("", "", "")},
  };
  // The archive finds nothing, which the caption line adds to a filter; the filter outlives the
  // browser and shows when it opens again.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Peer archive(Established(Query(c.identifier, {}), true));
    Open(archive.Port());
    Filter(c.act);
    EXPECT_EQ(Caption(), c.caption);
    Click(kUpdate);
    EXPECT_EQ(Caption(), c.caption.empty() ? "" : c.caption + "   (no study matches the filter)");
    Click(platform::kIdCancel);
    EXPECT_EQ(archive.Finish(), "");
    OpenAgain(archive.Port());
    EXPECT_EQ(Caption(), c.caption);
    Click(platform::kIdCancel);
  }
}

// The dialog opens with the filter it left: the name without its wildcard, the type checked.
// Cancel keeps a type button's choice; the value stays as it was.
TEST_F(FilterTest, ReopeningShowsTheFilterAndCancelKeepsTheType) {
  Open(1);
  Filter([](QWidget* d) {
    Press(d, 6024);
    d->findChild<QLineEdit*>("6016")->setText("Smith");
    Press(d, platform::kIdOk);
  });
  Filter([](QWidget* d) {
    EXPECT_EQ(d->findChild<QLineEdit*>("6016")->text(), "Smith");
    EXPECT_TRUE(d->findChild<QAbstractButton*>("6024")->isChecked());
    d->grab().save(QString::fromStdString(testing_support::ScreenshotPath("filter-filled-en.png")));
    Press(d, 6026);
    Press(d, platform::kIdCancel);
  });
  Filter([](QWidget* d) {
    EXPECT_TRUE(d->findChild<QAbstractButton*>("6026")->isChecked());
    EXPECT_FALSE(d->findChild<QLineEdit*>("6016")->isEnabled());
    Press(d, platform::kIdCancel);
  });
  Click(platform::kIdCancel);
}

}  // namespace
}  // namespace browser_test
