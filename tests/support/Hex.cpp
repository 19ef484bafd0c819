#include "support/Hex.h"

#include <cstdio>
#include <stdexcept>

namespace testing_support {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  bool comment = false;
  for (char c : hex) {
    if (c == '\n') comment = false;
    if (comment || c == ' ' || c == '\n' || c == '\t') continue;
    if (c == '#') {
      comment = true;
      continue;
    }
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      throw std::invalid_argument(std::string("not a hex digit: ") + c);
    }
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd number of hex digits");
  return bytes;
}

std::string AsciiHex(std::string_view text) {
  return ToHex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

}  // namespace testing_support
