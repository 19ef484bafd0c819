#include "browser/DicomDate.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "host/Module.h"
#include "hostlibs/vekutil/VekUtil.h"
#include "platform/OsServices.h"

namespace plugin {
namespace {

// The decimal number at the start of the field; reading stops at the first non-digit.
int FieldNumber(const char* text, std::size_t offset, std::size_t width) {
  int number = 0;
  for (std::size_t i = offset; i < offset + width && text[i] >= '0' && text[i] <= '9'; ++i)
    number = number * 10 + (text[i] - '0');
  return number;
}

}  // namespace

void FormatDicomDate(const char* value, char* output) {
  output[0] = '\0';
  if (value == nullptr || value[0] == '\0') return;
  char date[9] = {};
  std::strncpy(date, value, 8);
  std::tm time{};
  time.tm_year = FieldNumber(date, 0, 4) - 1900;
  time.tm_mon = FieldNumber(date, 4, 2) - 1;
  time.tm_mday = FieldNumber(date, 6, 2);
  utlFormatDateTime(&time, output, 3);
}

void ParseDisplayDate(const char* text, char* output) {
  const int order = platform::GetProfileInt("intl", "iDate", 0);
  char separatorText[8] = {};
  platform::GetProfileString("intl", "sDate", ".", separatorText, sizeof separatorText);
  const char separator = separatorText[0] != '\0' ? separatorText[0] : '.';
  if (text == nullptr || text[0] == '\0') {
    std::strcpy(output, "00000000");
    return;
  }
  char copy[kTextBuffer];
  CopyText(copy, text);
  std::string parts[3];
  int part = 0;
  for (const char* c = copy; *c != '\0' && part < 3; ++c) {
    if (*c == separator || *c == '\n') {
      ++part;
    } else {
      parts[part] += *c;
    }
  }
  // Month first (0) reads back as year, month, day too, so that a date sort stays a date sort;
  // day first (1) and year first (2) follow their own order.
  const std::string* first = &parts[2];
  const std::string* second = &parts[0];
  const std::string* third = &parts[1];
  if (order == 1) {
    second = &parts[1];
    third = &parts[0];
  } else if (order == 2) {
    first = &parts[0];
    second = &parts[1];
    third = &parts[2];
  }
  std::snprintf(output, kTextBuffer, "%s%s%s", first->c_str(), second->c_str(), third->c_str());
}

}  // namespace plugin
