#pragma once

#include <string>
#include <vector>

namespace platform {

// The user's temporary directory with a trailing slash: TMPDIR when set and not empty, else /tmp.
// Copies it as the home platform does (at most size - 1 bytes and a NUL) and returns its length,
// or the size needed when the buffer is too small (nothing copied then).
int GetTempPath(int size, char* buffer);
// 1 when the file was removed, 0 otherwise.
int DeleteFile(const char* path);

// Profile values, one process-wide table of sections and keys (the host fills [intl] from its
// date settings, so that what it formats can be read back).
int GetProfileInt(const char* section, const char* key, int defaultValue);
// Copies the value (or the default) into the buffer as above and returns its length.
int GetProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int size);
void WriteProfileString(const char* section, const char* key, const char* value);
// The keys of a section, so that a host can keep the section beyond the process.
std::vector<std::string> ProfileKeys(const char* section);

// The number with its digits grouped by threes as the user has it: the thousands separator of
// the profile ([intl] sThousand, in code page 1252), else the system locale's. Copies it as
// GetTempPath does.
int FormatCount(unsigned long long value, char* buffer, int size);

// Virtual keys that the plug-in asks about.
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkShift = 0x10;
// As the home platform: the high bit (a negative result) while the key is down. The state is
// that of the keyboard input the process has taken so far.
short GetKeyState(int virtualKey);

}  // namespace platform
