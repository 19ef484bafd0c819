#include "support/Hex.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace testing_support {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
  std::string digits;
  for (std::size_t i = 0; i < hex.size(); ++i) {
    const char c = hex[i];
    if (c == '#') {
      i = std::min(hex.find('\n', i), hex.size());
    } else if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else if (c != ' ' && c != '\n' && c != '\t') {
      throw std::invalid_argument(std::string("not a hex digit: ") + c);
    }
  }
  if (digits.size() % 2 != 0) throw std::invalid_argument("odd number of hex digits");
  const auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::vector<std::uint8_t> bytes(digits.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(nibble(digits[2 * i]) << 4 | nibble(digits[2 * i + 1]));
  return bytes;
}

std::string AsciiHex(std::string_view text) {
  return ToHex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, " %02x", byte);
    text += digits;
  }
  return text.empty() ? text : text.substr(1);
}

}  // namespace testing_support
