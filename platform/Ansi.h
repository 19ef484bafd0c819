#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

// The dialog layer's byte texts are in code page 1252, as the home platform's ANSI functions take
// them; a character that code page cannot hold becomes '?'.
QString FromAnsi(std::string_view bytes);
std::string ToAnsi(const QString& text);

// Copies text into a caller's buffer of `size` bytes, cut to size - 1 bytes and NUL-terminated;
// returns the bytes copied without the NUL (0 for a buffer of size 0).
int CopyToBuffer(std::string_view text, char* buffer, int size);

}  // namespace platform
