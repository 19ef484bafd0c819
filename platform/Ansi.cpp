#include "platform/Ansi.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cstring>

namespace platform {

namespace {

// Bytes 0x80 to 0x9F of code page 1252. The five bytes the code page leaves free map to the C1
// control characters of the same value, as the home platform converts them, so that every byte
// survives a round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char ToAnsiByte(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<char>(character);
  }
  const auto found = std::find(kHighControls.begin(), kHighControls.end(), character);
  if (found == kHighControls.end()) return '?';
  return static_cast<char>(0x80 + (found - kHighControls.begin()));
}

}  // namespace

QString FromAnsi(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    text.append(value >= 0x80 && value < 0xA0 ? QChar(kHighControls[value - 0x80]) : QChar(value));
  }
  return text;
}

std::string ToAnsi(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (const char32_t character : text.toUcs4())
    bytes.push_back(ToAnsiByte(character));
  return bytes;
}

int CopyToBuffer(std::string_view text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
  if (length > 0) std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

}  // namespace platform
