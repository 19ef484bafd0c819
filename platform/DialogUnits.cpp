#include "platform/DialogUnits.h"

#include <QFontMetrics>

namespace platform {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero, as the home platform's MulDiv.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

BaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(letters + 26) / 52, metrics.height()};
}

QRect DialogToPixels(const QRect& units, BaseUnits base) {
  return QRect(MulDiv(units.left(), base.x, 4), MulDiv(units.top(), base.y, 8),
               MulDiv(units.width(), base.x, 4), MulDiv(units.height(), base.y, 8));
}

}  // namespace platform
