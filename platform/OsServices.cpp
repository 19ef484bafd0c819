#include "platform/OsServices.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QLocale>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "platform/Ansi.h"
#include "platform/KeyboardState.h"

namespace platform {

namespace {

// Copies as the home platform's path functions do: the length copied, or the size needed with
// its NUL when the buffer is too small.
int CopyOrNeeded(std::string_view text, char* buffer, int size) {
  const int needed = static_cast<int>(text.size()) + 1;
  if (buffer == nullptr || size < needed) return needed;
  return CopyToBuffer(text, buffer, size);
}

// Section and key names compare without letter case, as in the home platform's profile files.
struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) <
             std::tolower(static_cast<unsigned char>(y));
    });
  }
};

using Section = std::map<std::string, std::string, NoCase>;

std::map<std::string, Section, NoCase>& Profile() {
  static std::map<std::string, Section, NoCase> profile;
  return profile;
}

const std::string* FindProfileValue(const char* section, const char* key) {
  if (section == nullptr || key == nullptr) return nullptr;
  const auto& profile = Profile();
  const auto found = profile.find(section);
  if (found == profile.end()) return nullptr;
  const auto value = found->second.find(key);
  return value == found->second.end() ? nullptr : &value->second;
}

Qt::KeyboardModifiers lastModifiers;

}  // namespace

int GetTempPath(int size, char* buffer) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string path = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  if (path.back() != '/') path += '/';
  return CopyOrNeeded(path, buffer, size);
}

int DeleteFile(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  return unlink(path) == 0 ? 1 : 0;
}

int GetProfileInt(const char* section, const char* key, int defaultValue) {
  const std::string* value = FindProfileValue(section, key);
  if (value == nullptr) return defaultValue;
  // The leading decimal number of the value; a value that starts otherwise reads as 0.
  const char* text = value->c_str();
  while (*text == ' ' || *text == '\t')
    ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  long long number = 0;
  while (std::isdigit(static_cast<unsigned char>(*text)) && number <= 0x7fffffff) {
    number = number * 10 + (*text++ - '0');
  }
  return static_cast<int>(negative ? -number : number);
}

int GetProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int size) {
  const std::string* value = FindProfileValue(section, key);
  if (value != nullptr) return CopyToBuffer(*value, buffer, size);
  return CopyToBuffer(defaultValue != nullptr ? defaultValue : "", buffer, size);
}

void WriteProfileString(const char* section, const char* key, const char* value) {
  if (section == nullptr) return;
  auto& profile = Profile();
  // As the home platform: no key removes the section, no value removes the key.
  if (key == nullptr) {
    profile.erase(section);
  } else if (value == nullptr) {
    const auto found = profile.find(section);
    if (found != profile.end()) found->second.erase(key);
  } else {
    profile[section][key] = value;
  }
}

std::vector<std::string> ProfileKeys(const char* section) {
  std::vector<std::string> keys;
  const auto& profile = Profile();
  const auto found = section != nullptr ? profile.find(section) : profile.end();
  if (found == profile.end()) return keys;
  for (const auto& [key, value] : found->second)
    keys.push_back(key);
  return keys;
}

void NoteKeyEvent(int key, bool pressed, Qt::KeyboardModifiers modifiers) {
  // A modifier key's own event may or may not carry its modifier; its press and release decide.
  if (key == Qt::Key_Control) modifiers.setFlag(Qt::ControlModifier, pressed);
  if (key == Qt::Key_Shift) modifiers.setFlag(Qt::ShiftModifier, pressed);
  lastModifiers = modifiers;
}

short GetKeyState(int virtualKey) {
  Qt::KeyboardModifiers modifiers = lastModifiers;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    modifiers |= QGuiApplication::queryKeyboardModifiers();
  }
  Qt::KeyboardModifier asked;
  switch (virtualKey) {
    case kVkControl:
      asked = Qt::ControlModifier;
      break;
    case kVkShift:
      asked = Qt::ShiftModifier;
      break;
    default:
      return 0;
  }
  return modifiers.testFlag(asked) ? static_cast<short>(0xff80) : 0;
}

int FormatCount(unsigned long long value, char* buffer, int size) {
  char separator[8];
  const std::string system = ToAnsi(QLocale::system().groupSeparator());
  GetProfileString("intl", "sThousand", system.c_str(), separator, sizeof separator);
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return CopyToBuffer(grouped, buffer, size);
}

}  // namespace platform
