#pragma once

#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <vector>

namespace platform {

// Plays an animation resource in a loop, centred in the control.
class AnimationControl : public QLabel {
  Q_OBJECT

 public:
  explicit AnimationControl(QWidget* parent);
  // False when there is no such resource or its image cannot be read.
  bool Open(unsigned resourceId);
  void Stop();
  bool IsPlaying() const { return timer_.isActive(); }
  int CurrentFrame() const { return current_; }

 private:
  void Advance();

  std::vector<QPixmap> frames_;
  int current_ = 0;
  QTimer timer_;
};

}  // namespace platform
