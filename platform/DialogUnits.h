#pragma once

#include <QFont>
#include <QRect>

namespace platform {

// The base units of a dialog font: its average character width and its height in pixels, as the
// home platform computes them (the width of the 52 Latin letters / 52, rounded; the font height).
// An 8-point MS Sans Serif at 96 dpi has 6 and 13, so one dialog unit is 1.5 px across and
// 1.625 px down.
struct BaseUnits {
  int x;
  int y;
};

BaseUnits BaseUnitsOf(const QFont& font);
// Dialog units to pixels: x * base x / 4 and y * base y / 8, each rounded to nearest.
QRect DialogToPixels(const QRect& units, BaseUnits base);

}  // namespace platform
