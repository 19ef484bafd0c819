#pragma once

#include <QWidget>

// One of the host's image displays: paints the display's image scaled to fit, keeping its
// aspect, on black.
class DisplayView : public QWidget {
  Q_OBJECT

 public:
  DisplayView(int number, QWidget* parent);
  int Number() const { return number_; }
  // "1: name" (or "1: empty"), with "(protected)" when the image may not be overwritten.
  QString Title() const;

  QSize sizeHint() const override { return {320, 320}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int number_;
};
