#include "platform/ListView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QStyle>
#include <QToolTip>
#include <algorithm>
#include <numeric>
#include <utility>

#include "platform/Ansi.h"

namespace platform {

namespace {

constexpr unsigned kFocusedSelected = kStateFocused | kStateSelected;

QString TextOf(const char* text) {
  return FromAnsi(text != nullptr ? text : "");
}

// A cell takes the alignment of its column, which the heading keeps.
void AlignCell(QTreeWidget& list, QTreeWidgetItem& item, int column) {
  item.setData(column, Qt::TextAlignmentRole,
               list.headerItem()->data(column, Qt::TextAlignmentRole));
}

}  // namespace

ListView::ListView(bool singleSelection, bool showSelectionAlways, QWidget* parent)
    : QTreeWidget(parent), singleSelection_(singleSelection) {
  setColumnCount(0);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setEditTriggers(NoEditTriggers);
  setSelectionBehavior(SelectRows);
  // The rows' states are ours; Qt only shows them and must not change its selection by itself.
  setSelectionMode(NoSelection);
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(true);
  header()->setSectionsMovable(false);
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(-1, Qt::AscendingOrder);
  connect(header(), &QHeaderView::sectionClicked, this, &ListView::UserClickColumn);
  if (showSelectionAlways) {
    QPalette colors = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
      colors.setColor(QPalette::Inactive, role, colors.color(QPalette::Active, role));
    }
    setPalette(colors);
  }
}

void ListView::SetNotifySink(NotifySink sink) {
  sink_ = std::move(sink);
}

int ListView::InsertColumn(int column, const char* heading, int width, bool alignRight) {
  if (column < 0) return -1;
  const int count = columnCount();
  column = std::min(column, count);
  setColumnCount(count + 1);
  // The columns from `column` on move one place to the right with their cells.
  QTreeWidgetItem* head = headerItem();
  for (int moved = count; moved > column; --moved) {
    for (const int role : {int(Qt::DisplayRole), int(Qt::TextAlignmentRole)}) {
      head->setData(moved, role, head->data(moved - 1, role));
      for (int row = 0; row < topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        item->setData(moved, role, item->data(moved - 1, role));
      }
    }
    setColumnWidth(moved, columnWidth(moved - 1));
  }
  // The first column is always left aligned, as on the home platform.
  const Qt::Alignment alignment =
      (alignRight && column > 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
  head->setText(column, TextOf(heading));
  head->setData(column, Qt::TextAlignmentRole, QVariant::fromValue(alignment));
  setColumnWidth(column, width);
  for (int row = 0; row < topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = topLevelItem(row);
    item->setText(column, QString());
    AlignCell(*this, *item, column);
  }
  // A selection covers the columns that existed when it was made.
  ShowStates();
  if (column == 0) indexed_ = false;
  return column;
}

int ListView::ColumnCount() const {
  return columnCount();
}

int ListView::GetColumnWidth(int column) const {
  return columnWidth(column);
}

void ListView::SetColumnWidth(int column, int width) {
  if (column >= 0 && column < columnCount()) setColumnWidth(column, width);
}

int ListView::HeadingWidth(int column) const {
  return column >= 0 && column < columnCount() ? header()->sectionSizeHint(column) : 0;
}

void ListView::FitColumnToView(int column) {
  if (column >= 0 && column < columnCount())
    header()->setSectionResizeMode(column, QHeaderView::Stretch);
}

void ListView::SetSortIndicator(int column, bool ascending) {
  if (column < 0 || column >= columnCount()) return;
  header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int ListView::SortIndicatorColumn() const {
  return header()->sortIndicatorSection() < columnCount() ? header()->sortIndicatorSection() : -1;
}

int ListView::InsertItem(int row, const char* text, std::uint32_t itemData) {
  if (row < 0) return -1;
  row = std::min(row, GetItemCount());
  auto* item = new QTreeWidgetItem();
  item->setText(0, TextOf(text));
  for (int column = 0; column < columnCount(); ++column)
    AlignCell(*this, *item, column);
  // Qt shifts its selection and current item with the rows; the states move in rows_.
  const bool appended = row == GetItemCount();
  insertTopLevelItem(row, item);
  rows_.insert(rows_.begin() + row, Row{itemData, 0});
  if (selectionMark_ >= row) ++selectionMark_;
  if (!appended) {
    indexed_ = false;
  } else if (indexed_) {
    IndexRow(row);
  }
  return row;
}

bool ListView::SetItemText(int row, int column, const char* text) {
  if (row < 0 || row >= GetItemCount() || column < 0) return false;
  if (column > 0 && column >= columnCount()) return false;
  topLevelItem(row)->setText(column, TextOf(text));
  if (column == 0) indexed_ = false;
  return true;
}

int ListView::GetItemText(int row, int column, char* buffer, int size) const {
  return CopyToBuffer(ItemText(row, column), buffer, size);
}

std::string ListView::ItemText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0) return {};
  if (column > 0 && column >= columnCount()) return {};
  return ToAnsi(topLevelItem(row)->text(column));
}

std::uint32_t ListView::GetItemData(int row) const {
  return row >= 0 && row < GetItemCount() ? rows_[row].itemData : 0;
}

int ListView::FindItemByData(std::uint32_t itemData) const {
  BuildIndex();
  const auto found = rowOfData_.find(itemData);
  return found == rowOfData_.end() ? -1 : found->second;
}

// The home platform raises a delete notification here, which nothing in this system listens to;
// the rows go without any notification.
bool ListView::DeleteAllItems() {
  clear();
  rows_.clear();
  selectionMark_ = -1;
  rowOfData_.clear();
  rowOfText_.clear();
  indexed_ = true;
  header()->setSortIndicator(-1, Qt::AscendingOrder);
  return true;
}

int ListView::GetItemCount() const {
  return static_cast<int>(rows_.size());
}

unsigned ListView::GetItemState(int row, unsigned mask) const {
  return row >= 0 && row < GetItemCount() ? rows_[row].state & mask : 0;
}

bool ListView::SetItemState(int row, unsigned state, unsigned mask) {
  if (row == -1) {
    for (int each = 0; each < GetItemCount(); ++each)
      SetRowState(each, state, mask);
    return true;
  }
  if (row < 0 || row >= GetItemCount()) return false;
  SetRowState(row, state, mask);
  return true;
}

int ListView::SetSelectionMark(int row) {
  return std::exchange(selectionMark_, row);
}

int ListView::GetSelectedCount() const {
  return static_cast<int>(SelectedRows().size());
}

std::vector<int> ListView::SelectedRows() const {
  std::vector<int> selected;
  for (int row = 0; row < GetItemCount(); ++row) {
    if (rows_[row].state & kStateSelected) selected.push_back(row);
  }
  return selected;
}

int ListView::FocusedRow() const {
  const auto found = std::find_if(rows_.begin(), rows_.end(),
                                  [](const Row& row) { return row.state & kStateFocused; });
  return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

// Case-folded texts compare equal exactly when QString's case-insensitive comparison finds them
// equal: both fold one character at a time.
int ListView::FindItem(const char* text, int start) const {
  const QString wanted = TextOf(text);
  if (start < 0) {
    BuildIndex();
    const auto found = rowOfText_.find(wanted.toCaseFolded());
    return found == rowOfText_.end() ? -1 : found->second;
  }
  for (int row = start + 1; row < GetItemCount(); ++row) {
    if (topLevelItem(row)->text(0).compare(wanted, Qt::CaseInsensitive) == 0) return row;
  }
  return -1;
}

bool ListView::SortItems(CompareFunction compare, std::intptr_t parameter) {
  if (compare == nullptr) return false;
  const int count = GetItemCount();
  std::vector<std::uint32_t> itemData;
  for (const Row& row : rows_)
    itemData.push_back(row.itemData);
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return compare(itemData[a], itemData[b], parameter) < 0; });
  // A comparison that changed the list leaves nothing to put in order.
  if (GetItemCount() != count) return false;

  std::vector<QTreeWidgetItem*> taken(count);
  for (int row = count - 1; row >= 0; --row)
    taken[row] = takeTopLevelItem(row);
  QList<QTreeWidgetItem*> sortedItems;
  std::vector<Row> sortedRows;
  int mark = -1;
  for (int row = 0; row < count; ++row) {
    sortedItems.append(taken[order[row]]);
    sortedRows.push_back(rows_[order[row]]);
    if (order[row] == selectionMark_) mark = row;
  }
  insertTopLevelItems(0, sortedItems);
  rows_ = std::move(sortedRows);
  indexed_ = false;
  if (selectionMark_ >= 0 && selectionMark_ < count) selectionMark_ = mark;
  ShowStates();
  return true;
}

void ListView::BuildIndex() const {
  if (indexed_) return;
  rowOfData_.clear();
  rowOfText_.clear();
  for (int row = 0; row < GetItemCount(); ++row)
    IndexRow(row);
  indexed_ = true;
}

void ListView::IndexRow(int row) const {
  rowOfData_.emplace(rows_[row].itemData, row);
  rowOfText_.emplace(topLevelItem(row)->text(0).toCaseFolded(), row);
}

void ListView::SetRedraw(bool on) {
  viewport()->setUpdatesEnabled(on);
  if (on) viewport()->update();
}

void ListView::SetExtendedStyle(unsigned style) {
  extendedStyle_ = style;
}

void ListView::UserClick(int row, Qt::KeyboardModifiers modifiers) {
  if (row < -1 || row >= GetItemCount()) row = -1;
  UserFocus();
  Select(row, modifiers);
  Notify({.code = Notification::Code::Click, .row = row});
}

void ListView::UserClickColumn(int column) {
  if (column < 0 || column >= columnCount()) return;
  Notify({.code = Notification::Code::ColumnClick, .column = column});
}

void ListView::UserFocus() {
  if (hasFocus()) return;
  setFocus(Qt::OtherFocusReason);
  // In a window that is not active Qt only remembers the focus and sends no focus-in event.
  if (!hasFocus()) Notify({.code = Notification::Code::SetFocus});
}

void ListView::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  UserFocus();
  Select(index.isValid() ? index.row() : -1, event->modifiers());
  pendingClick_ = true;
}

void ListView::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !pendingClick_) return;
  pendingClick_ = false;
  const QModelIndex index = indexAt(event->position().toPoint());
  Notify({.code = Notification::Code::Click,
          .row = index.isValid() ? index.row() : -1,
          .column = index.isValid() ? index.column() : 0});
}

void ListView::keyPressEvent(QKeyEvent* event) {
  const int count = GetItemCount();
  const int focused = FocusedRow();
  int row = -1;
  switch (event->key()) {
    case Qt::Key_Up:
      row = std::max(focused - 1, 0);
      break;
    case Qt::Key_Down:
      row = std::min(focused + 1, count - 1);
      break;
    case Qt::Key_Home:
      row = 0;
      break;
    case Qt::Key_End:
      row = count - 1;
      break;
    default:
      // Enter, Esc, Tab and the dialog's shortcuts go on to the dialog.
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
  if (count == 0) return;
  Select(row, event->modifiers() & Qt::ShiftModifier);
  scrollTo(model()->index(row, 0));
}

void ListView::focusInEvent(QFocusEvent* event) {
  // The item view's own handler would make a row current; the focused row is ours to choose.
  QWidget::focusInEvent(event);
  viewport()->update();
  Notify({.code = Notification::Code::SetFocus});
}

bool ListView::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonDblClick:
      // Dragging would let Qt move its current row, and a double click selects nothing new.
      event->accept();
      return true;
    case QEvent::ToolTip: {
      const auto* help = static_cast<QHelpEvent*>(event);
      const QModelIndex index = indexAt(help->pos());
      if (!(extendedStyle_ & kLabelTip) || !index.isValid()) {
        QToolTip::hideText();
        return true;
      }
      const QString text = index.data(Qt::DisplayRole).toString();
      const QRect cell = visualRect(index);
      const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
      if (fontMetrics().horizontalAdvance(text) + 2 * margin <= cell.width()) {
        QToolTip::hideText();
      } else {
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
      }
      return true;
    }
    default:
      return QTreeWidget::viewportEvent(event);
  }
}

void ListView::ChangeState(int row, unsigned state, unsigned mask) {
  if (row < 0 || row >= GetItemCount()) return;
  const unsigned oldState = rows_[row].state;
  const unsigned newState = (oldState & ~mask) | (state & mask);
  if (newState == oldState) return;
  rows_[row].state = newState;
  const QModelIndex index = model()->index(row, 0);
  if ((oldState ^ newState) & kStateSelected) {
    selectionModel()->select(index, ((newState & kStateSelected) ? QItemSelectionModel::Select
                                                                 : QItemSelectionModel::Deselect) |
                                        QItemSelectionModel::Rows);
  }
  if ((oldState ^ newState) & kStateFocused) {
    selectionModel()->setCurrentIndex((newState & kStateFocused) ? index : QModelIndex(),
                                      QItemSelectionModel::NoUpdate);
  }
  Notify({.code = Notification::Code::ItemChanged,
          .row = row,
          .oldState = oldState,
          .newState = newState,
          .itemData = rows_[row].itemData});
}

void ListView::SetRowState(int row, unsigned state, unsigned mask) {
  const unsigned oldState = rows_[row].state;
  const unsigned newState = (oldState & ~mask) | (state & mask);
  const bool selecting = (newState & ~oldState & kStateSelected) != 0;
  const bool focusing = (newState & ~oldState & kStateFocused) != 0;
  const int focused = FocusedRow();
  if (selecting && singleSelection_) {
    for (int other = 0; other < GetItemCount(); ++other) {
      if (other != row) ChangeState(other, 0, kStateSelected);
    }
  }
  if (focusing && focused != -1) ChangeState(focused, 0, kStateFocused);
  ChangeState(row, state, mask);
  // The mark follows the selected row of a single-selection list; otherwise the first focus
  // given by program starts it.
  if (selecting && singleSelection_) {
    selectionMark_ = row;
  } else if (focusing && focused == -1 && selectionMark_ == -1) {
    selectionMark_ = row;
  }
}

void ListView::Select(int row, Qt::KeyboardModifiers modifiers) {
  const bool control = !singleSelection_ && (modifiers & Qt::ControlModifier);
  const bool shift = !singleSelection_ && (modifiers & Qt::ShiftModifier);
  if (row < 0 || row >= GetItemCount()) {
    // A plain click beside the rows takes the selection away and leaves the focus.
    if (!control && !shift) SetItemState(-1, 0, kStateSelected);
    return;
  }
  const int focused = FocusedRow();
  if (focused != -1 && focused != row) ChangeState(focused, 0, kStateFocused);
  // The notification of the old focus may have changed the list.
  if (row >= GetItemCount()) return;
  if (shift) {
    const int anchor =
        selectionMark_ >= 0 && selectionMark_ < GetItemCount() ? selectionMark_ : row;
    const int first = std::min(anchor, row);
    const int last = std::max(anchor, row);
    for (int other = 0; other < GetItemCount() && !control; ++other) {
      if (other < first || other > last) ChangeState(other, 0, kStateSelected);
    }
    for (int inRange = first; inRange <= last; ++inRange) {
      const unsigned bits = inRange == row ? kFocusedSelected : kStateSelected;
      ChangeState(inRange, bits, bits);
    }
    return;
  }
  if (control) {
    ChangeState(row, kStateFocused | (~rows_[row].state & kStateSelected), kFocusedSelected);
  } else {
    for (int other = 0; other < GetItemCount(); ++other) {
      if (other != row) ChangeState(other, 0, kStateSelected);
    }
    ChangeState(row, kFocusedSelected, kFocusedSelected);
  }
  selectionMark_ = row;
}

void ListView::Notify(const Notification& notification) {
  if (!sink_) return;
  // The sink may replace itself while it runs.
  const NotifySink sink = sink_;
  sink(notification);
}

void ListView::ShowStates() {
  QItemSelection selection;
  const int count = GetItemCount();
  int first = -1;
  for (int row = 0; row <= count; ++row) {
    const bool selected = row < count && (rows_[row].state & kStateSelected);
    if (selected && first == -1) first = row;
    if (!selected && first != -1) {
      selection.select(model()->index(first, 0), model()->index(row - 1, 0));
      first = -1;
    }
  }
  selectionModel()->select(selection,
                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  const int focused = FocusedRow();
  selectionModel()->setCurrentIndex(focused >= 0 ? model()->index(focused, 0) : QModelIndex(),
                                    QItemSelectionModel::NoUpdate);
}

}  // namespace platform
