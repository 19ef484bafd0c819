#pragma once

#include <cstdint>

namespace dicom {

// The one process-wide counter, starting at 1, behind the presentation context ids and the DIMSE
// message ids. Each draw takes the counter if it is odd, else the next number, and moves past it.
std::uint32_t DrawOddId();
// Odd, rising across associations for the life of the process, wrapping from 255 to 1.
std::uint8_t NextContextId();
// For tests that start from a chosen point.
void SetIdCounter(std::uint32_t value);
std::uint32_t IdCounter();

}  // namespace dicom
