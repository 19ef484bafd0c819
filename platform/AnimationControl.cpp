#include "platform/AnimationControl.h"

#include <QImage>
#include <limits>

#include "platform/Resources.h"

namespace platform {

AnimationControl::AnimationControl(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  connect(&timer_, &QTimer::timeout, this, [this] { Advance(); });
}

bool AnimationControl::Open(unsigned resourceId) {
  Stop();
  frames_.clear();
  current_ = 0;
  clear();
  const AnimationResource* clip = FindAnimation(resourceId);
  if (clip == nullptr || clip->png == nullptr || clip->frames <= 0 ||
      clip->frameMilliseconds <= 0 ||
      clip->size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return false;
  }
  const QImage strip = QImage::fromData(clip->png, static_cast<int>(clip->size), "PNG");
  if (strip.isNull() || strip.width() % clip->frames != 0) return false;
  const int width = strip.width() / clip->frames;
  for (int frame = 0; frame < clip->frames; ++frame) {
    frames_.push_back(QPixmap::fromImage(strip.copy(frame * width, 0, width, strip.height())));
  }
  setPixmap(frames_.front());
  timer_.start(clip->frameMilliseconds);
  return true;
}

void AnimationControl::Stop() {
  timer_.stop();
}

void AnimationControl::Advance() {
  if (frames_.empty()) return;
  current_ = (current_ + 1) % static_cast<int>(frames_.size());
  setPixmap(frames_[current_]);
}

}  // namespace platform
