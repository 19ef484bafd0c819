#pragma once

#include <cstdint>

namespace dicom {

// The next DIMSE message id, drawn from the counter that also gives the presentation context ids:
// an odd counter value taken modulo 65535, so two ids drawn in a row differ by 2.
std::uint16_t NextMessageId();

}  // namespace dicom
