#include "net/IdCounter.h"

namespace dicom {
namespace {

std::uint32_t counter = 1;

}  // namespace

std::uint32_t DrawOddId() {
  if (counter % 2 == 0) ++counter;
  return counter++;
}

std::uint8_t NextContextId() {
  return static_cast<std::uint8_t>(DrawOddId() % 256);
}

void SetIdCounter(std::uint32_t value) {
  counter = value;
}

std::uint32_t IdCounter() {
  return counter;
}

}  // namespace dicom
