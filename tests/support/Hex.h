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
// The characters of a text as hex digits, for texts inside byte fixtures.
std::string AsciiHex(std::string_view text);
// Two lower-case digits per byte, separated by single spaces.
std::string ToHex(std::span<const std::uint8_t> bytes);

}  // namespace testing_support
