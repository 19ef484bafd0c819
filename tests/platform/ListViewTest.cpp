#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/ListView.h"

namespace platform {
namespace {

constexpr unsigned kBoth = kStateFocused | kStateSelected;

std::string StateName(unsigned state) {
  std::string name;
  if (state & kStateFocused) name += 'F';
  if (state & kStateSelected) name += 'S';
  return name.empty() ? "-" : name;
}

unsigned StateOf(std::string_view name) {
  return (name.find('F') != name.npos ? kStateFocused : 0) |
         (name.find('S') != name.npos ? kStateSelected : 0);
}

std::string Describe(const Notification& n) {
  using Code = Notification::Code;
  const std::string row = std::to_string(n.row);
  if (n.code == Code::ItemChanged) {
    return "Changed " + row + " " + StateName(n.oldState) + ">" + StateName(n.newState);
  }
  if (n.code == Code::Click) return "Click " + row;
  if (n.code == Code::ColumnClick) return "Column " + std::to_string(n.column);
  return n.code == Code::SetFocus ? "SetFocus" : "DateTimeChange";
}

// An active window with a list of rows (item data 100 + row) and an edit box that can hold the
// focus instead.
struct ListWindow {
  explicit ListWindow(bool single,
                      std::vector<const char*> names = {"Adams", "Baker", "Clark", "Davis"}) {
    auto* layout = new QVBoxLayout(&window);
    list = new ListView(single, true, &window);
    other = new QLineEdit(&window);
    layout->addWidget(list);
    layout->addWidget(other);
    list->InsertColumn(0, "Name", 120);
    list->InsertColumn(1, "Id", 60, true);
    for (const char* name : names) {
      const int row = list->GetItemCount();
      list->InsertItem(row, name, 100 + row);
      list->SetItemText(row, 1, std::to_string(row).c_str());
    }
    window.resize(300, 300);
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  QPoint RowCenter(int row) const { return list->visualItemRect(list->topLevelItem(row)).center(); }

  QWidget window;
  ListView* list;
  QLineEdit* other;
};

using Action = std::function<void(ListWindow&)>;

Action Click(int row, Qt::KeyboardModifiers modifiers = {}) {
  return [=](ListWindow& w) {
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, modifiers, w.RowCenter(row));
  };
}

Action ClickBesideRows(Qt::KeyboardModifiers modifiers = {}) {
  return [=](ListWindow& w) {
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, modifiers,
                      QPoint(10, w.list->viewport()->height() - 5));
  };
}

Action Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  return [=](ListWindow& w) { QTest::keyClick(w.list, key, modifiers); };
}

Action Program(int row, const char* state, const char* mask) {
  return [=](ListWindow& w) { w.list->SetItemState(row, StateOf(state), StateOf(mask)); };
}

Action ClickHeading(int column) {
  return [=](ListWindow& w) {
    QHeaderView* header = w.list->header();
    const QPoint center(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, center);
  };
}

// Puts the keyboard focus on the other control first.
Action FromElsewhere(Action action) {
  return [=](ListWindow& w) {
    w.other->setFocus();
    action(w);
  };
}

struct NotificationCase {
  const char* name;
  const char* states;  // of rows 0 to 3, as F and S
  int mark;
  Action action;
  std::vector<std::string> expected;
  int markAfter;
};

void ExpectNotifications(bool single, const std::vector<NotificationCase>& cases) {
  for (const NotificationCase& c : cases) {
    SCOPED_TRACE(c.name);
    ListWindow w(single);
    const QStringList states = QString(c.states).split(' ');
    for (int row = 0; row < 4; ++row) {
      w.list->SetItemState(row, StateOf(states[row].toStdString()), kBoth);
    }
    w.list->SetSelectionMark(c.mark);
    w.list->setFocus();
    std::vector<std::string> seen;
    w.list->SetNotifySink([&](const Notification& n) {
      if (n.code == Notification::Code::ItemChanged) {
        EXPECT_EQ(n.itemData, 100u + n.row);
      }
      seen.push_back(Describe(n));
    });
    c.action(w);
    EXPECT_EQ(seen, c.expected);
    EXPECT_EQ(w.list->GetSelectionMark(), c.markAfter);
    // What Qt shows must be what the list holds.
    std::vector<int> shown;
    for (const QModelIndex& index : w.list->selectionModel()->selectedRows())
      shown.push_back(index.row());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, w.list->SelectedRows());
    const QModelIndex current = w.list->currentIndex();
    EXPECT_EQ(current.isValid() ? current.row() : -1, w.list->FocusedRow());
  }
}

const auto ctrl = Qt::ControlModifier;
const auto shift = Qt::ShiftModifier;

// clang-format off
TEST(ListViewTest, SingleSelectionNotifications) {
  ExpectNotifications(true, {
    {"click moves focus, then selection", "FS - - -", 0, Click(2),
     {"Changed 0 FS>S", "Changed 0 S>-", "Changed 2 ->FS", "Click 2"}, 2},
    {"click on the selected row", "FS - - -", 0, Click(0), {"Click 0"}, 0},
    {"ctrl+click is a plain click", "FS - - -", 0, Click(1, ctrl),
     {"Changed 0 FS>S", "Changed 0 S>-", "Changed 1 ->FS", "Click 1"}, 1},
    {"click beside the rows deselects", "FS - - -", 0, ClickBesideRows(),
     {"Changed 0 FS>F", "Click -1"}, 0},
    {"click from another control", "FS - - -", 0, FromElsewhere(Click(1)),
     {"SetFocus", "Changed 0 FS>S", "Changed 0 S>-", "Changed 1 ->FS", "Click 1"}, 1},
    {"program selects and focuses", "FS - - -", 0, Program(2, "FS", "FS"),
     {"Changed 0 FS>F", "Changed 0 F>-", "Changed 2 ->FS"}, 2},
    {"program focuses only", "FS - - -", 0, Program(1, "F", "F"),
     {"Changed 0 FS>S", "Changed 1 ->F"}, 0},
    {"unchanged state raises nothing", "FS - - -", 0, Program(0, "FS", "FS"), {}, 0},
    {"column click", "FS - - -", 0, ClickHeading(1), {"Column 1"}, 0},
  });
}

TEST(ListViewTest, MultipleSelectionNotifications) {
  ExpectNotifications(false, {
    {"first focus by program starts the mark", "- - - -", -1, Program(2, "FS", "FS"),
     {"Changed 2 ->FS"}, 2},
    {"ctrl+click adds a row", "FS - - -", 0, Click(2, ctrl),
     {"Changed 0 FS>S", "Changed 2 ->FS", "Click 2"}, 2},
    {"ctrl+click takes a row away", "S - FS -", 2, Click(0, ctrl),
     {"Changed 2 FS>S", "Changed 0 S>F", "Click 0"}, 0},
    {"shift+click selects from the mark", "FS - - S", 0, Click(2, shift),
     {"Changed 0 FS>S", "Changed 3 S>-", "Changed 1 ->S", "Changed 2 ->FS", "Click 2"}, 0},
    {"plain click clears the others", "S FS - S", 1, Click(3),
     {"Changed 1 FS>S", "Changed 0 S>-", "Changed 1 S>-", "Changed 3 S>FS", "Click 3"}, 3},
    {"program selection keeps the others", "FS - - -", 0, Program(2, "S", "S"),
     {"Changed 2 ->S"}, 0},
    {"program deselects all in row order", "S FS - S", 1, Program(-1, "-", "S"),
     {"Changed 0 S>-", "Changed 1 FS>F", "Changed 3 S>-"}, 1},
    {"shift+down extends", "FS - - -", 0, Key(Qt::Key_Down, shift),
     {"Changed 0 FS>S", "Changed 1 ->FS"}, 0},
    {"ctrl+click beside the rows keeps the selection", "FS S - -", 0, ClickBesideRows(ctrl),
     {"Click -1"}, 0},
  });
}
// clang-format on

TEST(ListViewTest, LabelTipShowsTheTextOfACutCell) {
  ListWindow w(true, {"Short", "A name far too long for its column"});
  w.list->SetColumnWidth(0, 60);
  for (const bool labelTips : {false, true}) {
    w.list->SetExtendedStyle(labelTips ? ListView::kLabelTip : 0);
    for (int row = 0; row < 2; ++row) {
      const QPoint center = w.list->visualRect(w.list->model()->index(row, 0)).center();
      QHelpEvent event(QEvent::ToolTip, center, w.list->viewport()->mapToGlobal(center));
      QApplication::sendEvent(w.list->viewport(), &event);
      EXPECT_EQ(QToolTip::isVisible(), labelTips && row == 1) << row;
    }
  }
  EXPECT_EQ(QToolTip::text(), QString("A name far too long for its column"));
  QToolTip::hideText();
}

}  // namespace
}  // namespace platform
