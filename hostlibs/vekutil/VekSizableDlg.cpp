#include "hostlibs/vekutil/VekSizableDlg.h"

#include <algorithm>

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
  return true;
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
  sizeItem_ = 0;
  sizeItemOriginal_ = QRect();
  moveItems_.clear();
  originalClient_ = QRect();
  initialised_ = false;
}
