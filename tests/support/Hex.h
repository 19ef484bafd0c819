#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// Bytes from hex digits; blanks, newlines and anything after '#' on a line are ignored, so that
// fixtures can carry the meaning of each field beside it.
std::vector<std::uint8_t> FromHex(std::string_view hex);
// Two lower-case digits per byte, separated by single spaces.
std::string ToHex(std::span<const std::uint8_t> bytes);

}  // namespace testing_support
