#include "hostlibs/vekutil/VekSizableDlg.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/OsServices.h"

namespace {

// Moved (and shrunk when it has to be) onto the screen that shows most of it, or the primary one.
QRect OnScreen(QRect rect) {
  const QScreen* screen = QGuiApplication::screenAt(rect.center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return rect;
  const QRect area = screen->availableGeometry();
  rect.setSize(rect.size().boundedTo(area.size()));
  rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() + 1 - rect.width()));
  rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() + 1 - rect.height()));
  return rect;
}

std::string PlacementKey(unsigned templateId) {
  return std::to_string(templateId);
}

}  // namespace

CVekSizableDlg::CVekSizableDlg(unsigned templateId, QWidget* parent)
    : platform::Dialog(templateId, parent) {}

void CVekSizableDlg::SetSizeItem(int id) {
  sizeItem_ = id;
  if (initialised_) sizeItemOriginal_ = ItemRect(id);
}

void CVekSizableDlg::SetMoveItems(const int* ids, int count, int mode) {
  if (ids == nullptr || count <= 0 || mode < 1 || mode > 3) return;
  for (int i = 0; i < count; ++i)
    moveItems_.push_back({ids[i], mode, initialised_ ? ItemRect(ids[i]) : QRect()});
}

bool CVekSizableDlg::OnInitDialog() {
  originalClient_ = ClientRect();
  if (sizeItem_ != 0) sizeItemOriginal_ = ItemRect(sizeItem_);
  for (MoveItem& item : moveItems_)
    item.original = ItemRect(item.id);
  initialised_ = true;
  RestorePlacement();
  return true;
}

void CVekSizableDlg::RestorePlacement() {
  QWidget* window = Window();
  char text[64];
  platform::GetProfileString(kPlacementSection, PlacementKey(TemplateId()).c_str(), "", text,
                             sizeof text);
  int x = 0, y = 0, width = 0, height = 0;
  if (window == nullptr || std::sscanf(text, "%d %d %d %d", &x, &y, &width, &height) != 4 ||
      width <= 0 || height <= 0) {
    return;
  }
  const QRect placed = OnScreen(QRect(x, y, width, height));
  window->resize(placed.size());
  window->move(placed.topLeft());
  OnSize(platform::kSizeRestored, window->width(), window->height());
}

// A maximised or minimised dialog leaves the place it had before.
void CVekSizableDlg::SavePlacement() {
  const QWidget* window = Window();
  if (window == nullptr || window->isMaximized() || window->isMinimized()) return;
  const std::string text = std::to_string(window->x()) + " " + std::to_string(window->y()) + " " +
                           std::to_string(window->width()) + " " + std::to_string(window->height());
  platform::WriteProfileString(kPlacementSection, PlacementKey(TemplateId()).c_str(), text.c_str());
}

// Every placement is worked out from the layout at OnInitDialog, not from the last one, so that
// many resizes (and shrinking below the original size) leave no rounding behind.
void CVekSizableDlg::OnSize(int type, int cx, int cy) {
  if (!initialised_ || type == platform::kSizeMinimized) return;
  const int grownX = cx - originalClient_.width();
  const int grownY = cy - originalClient_.height();
  if (sizeItem_ != 0 && Item(sizeItem_) != nullptr) {
    QRect rect = sizeItemOriginal_;
    rect.setWidth(std::max(0, rect.width() + grownX));
    rect.setHeight(std::max(0, rect.height() + grownY));
    Dialog::MoveItem(sizeItem_, rect);
  }
  for (const MoveItem& item : moveItems_) {
    if (Item(item.id) == nullptr) continue;
    const int dx = (item.mode & 1) != 0 ? grownX : 0;
    const int dy = (item.mode & 2) != 0 ? grownY : 0;
    Dialog::MoveItem(item.id, item.original.translated(dx, dy));
  }
}

void CVekSizableDlg::OnDestroy() {
  if (initialised_) SavePlacement();
  sizeItem_ = 0;
  sizeItemOriginal_ = QRect();
  moveItems_.clear();
  originalClient_ = QRect();
  initialised_ = false;
}
