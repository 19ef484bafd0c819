#pragma once

#include <functional>

#include "data/ByteStream.h"

namespace dicom {

// The stream on which one DIMSE message is encoded before it is cut into P-DATA-TF PDUs, and on
// which the fragments of a received message are joined before it is decoded. Its bytes come from
// and go to the association's own stream.
class MessageStream : public ByteStream {
 public:
  explicit MessageStream(ByteStream& association) : association_(association) {}

  // Called as output grows, so that fragments can leave while a message is being encoded.
  void SetDrain(std::function<void()> drain) { drain_ = std::move(drain); }

 protected:
  // Exactly capacity bytes of the association's stream, or -1.
  int ReadRaw(std::uint8_t* buffer, std::uint32_t capacity) override;
  // Appends to the association's stream, behind the PDU header of the fragment; the association
  // decides when its stream is flushed.
  int WriteRaw(const std::uint8_t* buffer, std::uint32_t length) override;
  void Written() override {
    if (drain_) drain_();
  }

 private:
  ByteStream& association_;
  std::function<void()> drain_;
};

}  // namespace dicom
