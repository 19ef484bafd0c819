#include "dimse/MessageId.h"

#include "net/IdCounter.h"

namespace dicom {

std::uint16_t NextMessageId() {
  return static_cast<std::uint16_t>(DrawOddId() % 65535);
}

}  // namespace dicom
