#include <cstdio>

#include "hostlibs/vekutil/VekUtil.h"
#include "platform/OsServices.h"

namespace {

constexpr int kOutputSize = 260;

// The short date as the host's date settings write it; the same [intl] values tell a reader how
// to take it apart again. A broken-down time from a careless caller may hold any int, so the
// year is widened before 1900 is added and every field is printed in full rather than cut.
int FormatShortDate(const std::tm& time, char* output, int size) {
  char separatorText[8] = {};
  platform::GetProfileString("intl", "sDate", ".", separatorText, sizeof separatorText);
  const char separator = separatorText[0] != '\0' ? separatorText[0] : '.';
  const int order = platform::GetProfileInt("intl", "iDate", 0);

  const long long year = static_cast<long long>(time.tm_year) + 1900;
  const long long month = static_cast<long long>(time.tm_mon) + 1;
  const int day = time.tm_mday;
  switch (order) {
    case 1:
      return std::snprintf(output, size, "%02d%c%02lld%c%04lld", day, separator, month, separator,
                           year);
    case 2:
      return std::snprintf(output, size, "%04lld%c%02lld%c%02d", year, separator, month, separator,
                           day);
    default:
      return std::snprintf(output, size, "%02lld%c%02d%c%04lld", month, separator, day, separator,
                           year);
  }
}

}  // namespace

extern "C" {

// Style 3 is the short date. The host knows no other style that the plug-in asks for, so every
// other style writes the short date followed by the 24-hour time, "hh:mm:ss".
void utlFormatDateTime(const std::tm* time, char* output, int style) {
  if (output == nullptr) return;
  output[0] = '\0';
  if (time == nullptr) return;
  int length = FormatShortDate(*time, output, kOutputSize);
  if (style == 3 || length < 0 || length >= kOutputSize) return;
  std::snprintf(output + length, static_cast<std::size_t>(kOutputSize - length), " %02d:%02d:%02d",
                time->tm_hour, time->tm_min, time->tm_sec);
}

}  // extern "C"
