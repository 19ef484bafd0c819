#pragma once

#include <QRect>
#include <vector>

inline constexpr char kPlacementSection[] = "placement";

#include "platform/Dialog.h"

// The host's resizable dialog base: one size item grows and shrinks with the dialog, move items
// keep their distance to the right edge (mode 1), the bottom edge (mode 2) or both (mode 3).
// Declare the items before the base OnInitDialog runs; it takes the distances from the layout.
//
// The dialog comes back where the user last left it, kept on a screen: its place and size go to
// the profile section [placement] under the template id when it is destroyed, and the base
// OnInitDialog takes them from there (calling OnSize as for a resize by the user).
class CVekSizableDlg : public platform::Dialog {
 public:
  CVekSizableDlg(unsigned templateId, QWidget* parent);

  void SetSizeItem(int id);
  void SetMoveItems(const int* ids, int count, int mode);

 protected:
  void DoDataExchange() override {}
  bool OnInitDialog() override;
  void OnSize(int type, int cx, int cy) override;
  void OnDestroy() override;

 private:
  void RestorePlacement();
  void SavePlacement();

  struct MoveItem {
    int id;
    int mode;
    QRect original;
  };
  int sizeItem_ = 0;
  QRect sizeItemOriginal_;
  std::vector<MoveItem> moveItems_;
  QRect originalClient_;
  bool initialised_ = false;
};
