#include "imagehost/DisplayView.h"

#include <QImage>
#include <QPainter>

#include "hostlibs/vekbase/Displays.h"
#include "platform/Ansi.h"

DisplayView::DisplayView(int number, QWidget* parent) : QWidget(parent), number_(number) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(64, 64);
}

QString DisplayView::Title() const {
  const vekbase::Display* display = vekbase::Displays::Instance().Get(number_);
  QString title = QString::number(number_);
  if (display == nullptr) return title;
  title += ": " + (display->hasImage ? platform::FromAnsi(display->name) : tr("empty"));
  if (display->isProtected) title += tr(" (protected)");
  return title;
}

void DisplayView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  const vekbase::Display* display = vekbase::Displays::Instance().Get(number_);
  if (display == nullptr || !display->hasImage) {
    painter.setPen(Qt::gray);
    painter.drawText(rect(), Qt::AlignCenter, tr("No image"));
    return;
  }
  const vekbase::Image& image = display->image;
  const bool rgb = image.samplesPerPixel == 3;
  const qsizetype lineBytes = qsizetype{image.columns} * (rgb ? 3 : 1);
  if (image.columns <= 0 || image.rows <= 0 ||
      image.pixels.size() < static_cast<std::size_t>(lineBytes * image.rows)) {
    return;
  }
  // A view of the display's buffer, drawn before anything can change it.
  const QImage view(image.pixels.data(), image.columns, image.rows, lineBytes,
                    rgb ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
  const QSize fitted = view.size().scaled(size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                     fitted);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, view);
}
