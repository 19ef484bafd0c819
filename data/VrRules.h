#pragma once

#include <cstdint>

#include "data/VrCode.h"

namespace dicom {

enum class Trim : std::uint8_t { None, Trailing, LeadingAndTrailing, TrailingNul };

// What the container, the codecs and the listing do with a value of one VR.
struct VrRules {
  char padByte;           // appended to a text of odd length
  Trim trim;              // applied by ElementValue::Text
  bool longLength;        // explicit VR: 2 reserved bytes, then a 32-bit length
  std::uint8_t swapUnit;  // bytes per unit reversed in big-endian; 0 = copied as they are
};

// Any code the table does not know gets the defaults: space, no trimming, 16-bit length, no swap.
const VrRules& RulesFor(VrCode vr);

}  // namespace dicom
