#pragma once

#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Notification.h"

namespace platform {

// A list view in report mode with the home platform's semantics: rows carry 32-bit item data,
// states (focused, selected) change only through SetItemState and the user actions below, and
// every state change raises an ItemChanged notification synchronously, for program changes too,
// in the order the home platform's control raises them:
//   - a user click on row B while A is focused and selected raises A focused|selected ->
//     selected, A selected -> none, B none -> focused|selected, then sets the selection mark to
//     B, then raises Click (and SetFocus first when the list did not have the focus);
//   - selecting a row by program in a single-selection list first takes the selection off the
//     other rows, then changes the row, and the selection mark follows the selected row;
//   - moving the focus takes it off the focused row (its notification first), then gives it;
//   - in a multiple-selection list ctrl+click toggles the row's selection and moves the focus
//     and the mark there, and shift+click selects the rows from the mark to the clicked one;
//     in a single-selection list both act as a plain click;
//   - a plain click beside the rows deselects every row, in row order, and keeps the focus.
// Texts are in code page 1252. Sorting moves rows with their states; the selection mark follows
// its row and no notification is raised.
class ListView : public QTreeWidget {
  Q_OBJECT

 public:
  inline static constexpr unsigned kFullRowSelect = 0x0020;
  inline static constexpr unsigned kLabelTip = 0x4000;

  using NotifySink = std::function<void(const Notification&)>;
  using CompareFunction = int (*)(std::uint32_t itemData1, std::uint32_t itemData2,
                                  std::intptr_t parameter);

  ListView(bool singleSelection, bool showSelectionAlways, QWidget* parent);

  void SetNotifySink(NotifySink sink);

  // Columns: heading, width in pixels, left aligned unless alignRight.
  int InsertColumn(int column, const char* heading, int width, bool alignRight = false);
  int ColumnCount() const;
  int GetColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // The width that shows the column's heading whole, with room for the sort indicator.
  int HeadingWidth(int column) const;
  // The column takes the width the others leave in the visible area, which then never needs a
  // horizontal scroll bar; SetColumnWidth no longer sizes it.
  void FitColumnToView(int column);
  // The header's arrow on the column sorted last; the rows of a refill clear it.
  void SetSortIndicator(int column, bool ascending);
  // -1 when none shows.
  int SortIndicatorColumn() const;

  // Inserts a row at the index (clamped to the row count) with its column-0 text and item data;
  // returns the row's index, or -1.
  int InsertItem(int row, const char* text, std::uint32_t itemData);
  bool SetItemText(int row, int column, const char* text);
  // Copies the cell's text as the home platform does (at most size - 1 bytes and a NUL) and
  // returns its length; an empty text for a row or column that does not exist.
  int GetItemText(int row, int column, char* buffer, int size) const;
  std::string ItemText(int row, int column) const;
  std::uint32_t GetItemData(int row) const;
  // The row holding the item data, or -1.
  int FindItemByData(std::uint32_t itemData) const;
  // Removes every row, resets the selection mark and clears the sort indicator, without
  // notifications.
  bool DeleteAllItems();
  int GetItemCount() const;

  unsigned GetItemState(int row, unsigned mask) const;
  // Sets the bits of `state` under `mask` on the row, or on every row for row -1.
  bool SetItemState(int row, unsigned state, unsigned mask);
  int GetSelectionMark() const { return selectionMark_; }
  int SetSelectionMark(int row);
  int GetSelectedCount() const;
  std::vector<int> SelectedRows() const;  // ascending
  int FocusedRow() const;

  // The first row after `start` (-1: from the top) whose column-0 text equals the text, ignoring
  // letter case; -1 when there is none.
  int FindItem(const char* text, int start = -1) const;
  // Sorts rows by the comparison of their item data; the list is unchanged while compare runs.
  bool SortItems(CompareFunction compare, std::intptr_t parameter);

  void SetRedraw(bool on);
  unsigned GetExtendedStyle() const { return extendedStyle_; }
  void SetExtendedStyle(unsigned style);

  // What a user does; the mouse and keyboard handlers and the host's macros come through here.
  void UserClick(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void UserClickColumn(int column);
  void UserFocus();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  struct Row {
    std::uint32_t itemData = 0;
    unsigned state = 0;
  };
  // Changes one row's bits and notifies; the building block of the two below.
  void ChangeState(int row, unsigned state, unsigned mask);
  // A change by program, with what it does to the other rows and the selection mark.
  void SetRowState(int row, unsigned state, unsigned mask);
  // What a click (or an arrow key) on the row does to the states and the mark; -1: beside the rows.
  void Select(int row, Qt::KeyboardModifiers modifiers);
  void Notify(const Notification& notification);
  void ShowStates();
  // The look-ups by item data and by column-0 text, built when first needed after a change that
  // moved rows; appending a row keeps them. Filling a list row by row with a look-up before each
  // row thus stays linear in the rows.
  void BuildIndex() const;
  void IndexRow(int row) const;

  bool singleSelection_;
  NotifySink sink_;
  std::vector<Row> rows_;
  int selectionMark_ = -1;
  unsigned extendedStyle_ = 0;
  bool pendingClick_ = false;
  mutable bool indexed_ = false;
  mutable std::unordered_map<std::uint32_t, int> rowOfData_;
  mutable std::unordered_map<QString, int> rowOfText_;  // the first row of each case-folded text
};

}  // namespace platform
