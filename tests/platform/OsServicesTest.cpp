#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/OsServices.h"
#include "platform/Resources.h"

namespace {

TEST(ResourcesTest, LoadsStringsInCodePage1252) {
  static constexpr platform::StringResource kOlder[] = {{1002, "DICOM"}, {1036, "Id"}};
  static constexpr platform::StringResource kNewer[] = {{1036, "Größe"}};
  const platform::ResourceModule older{{}, kOlder, {}};
  const platform::ResourceModule newer{{}, kNewer, {}};
  platform::RegisterResources(older);
  platform::RegisterResources(newer);
  char buffer[260];
  EXPECT_EQ(platform::LoadString(1002, buffer, 4), 3);  // cut, with its NUL
  EXPECT_STREQ(buffer, "DIC");
  EXPECT_EQ(platform::LoadString(1036, buffer, sizeof buffer), 5);  // the last module wins
  EXPECT_STREQ(buffer,
               "Gr\xf6\xdf"
               "e");
  EXPECT_EQ(platform::LoadString(1099, buffer, sizeof buffer), 0);
  platform::UnregisterResources(newer);
  EXPECT_EQ(platform::LoadString(1036, buffer, sizeof buffer), 2);
  platform::UnregisterResources(older);
}

TEST(OsServicesTest, TempPathFollowsTmpdirAndProfileValuesParse) {
  struct Case {
    const char* tmpdir;  // nullptr: unset
    int size;
    int result;
    const char* path;
  };
  for (const Case& c : {Case{nullptr, 260, 5, "/tmp/"}, Case{"/var/spool/", 260, 11, "/var/spool/"},
                        Case{"/var/spool", 11, 12, "untouched"}}) {  // the size it needs
    c.tmpdir != nullptr ? setenv("TMPDIR", c.tmpdir, 1) : unsetenv("TMPDIR");
    char buffer[260] = "untouched";
    EXPECT_EQ(platform::GetTempPath(c.size, buffer), c.result) << c.size;
    EXPECT_STREQ(buffer, c.path) << c.size;
  }
  unsetenv("TMPDIR");

  for (const auto& [value, expected] :
       {std::pair<const char*, int>{" 42 days", 42}, {"-3", -3}, {"day", 0}, {nullptr, 99}}) {
    platform::WriteProfileString("intl", "iDate", value);
    EXPECT_EQ(platform::GetProfileInt("INTL", "idate", 99), expected) << (value ? value : "-");
  }
}

}  // namespace
