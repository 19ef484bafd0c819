#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
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

  struct Case {
    unsigned id;
    int size;
    int length;
    const char* text;
  };
  const Case cases[] = {
      {1002, 260, 5, "DICOM"},
      {1002, 4, 3, "DIC"},  // cut, with its NUL
      {1036, 260, 5,
       "Gr\xf6\xdf"
       "e"},               // the module registered last wins
      {1099, 260, 0, ""},  // missing
  };
  for (const Case& c : cases) {
    char buffer[260];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(platform::LoadString(c.id, buffer, c.size), c.length) << c.id;
    EXPECT_STREQ(buffer, c.text) << c.id;
  }
  platform::UnregisterResources(newer);
  char buffer[260];
  EXPECT_EQ(platform::LoadString(1036, buffer, sizeof buffer), 2);
  platform::UnregisterResources(older);
  EXPECT_EQ(platform::LoadString(1002, buffer, sizeof buffer), 0);
}

TEST(OsServicesTest, TempPathFollowsTmpdir) {
  const char* saved = std::getenv("TMPDIR");
  const std::optional<std::string> previous =
      saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
  struct Case {
    const char* tmpdir;  // nullptr: unset
    int size;
    int result;
    const char* path;  // nullptr: buffer untouched
  };
  const Case cases[] = {
      {nullptr, 260, 5, "/tmp/"},
      {"", 260, 5, "/tmp/"},
      {"/var/spool", 260, 11, "/var/spool/"},
      {"/var/spool/", 260, 11, "/var/spool/"},
      {"/var/spool", 11, 12, nullptr},  // too small: the size needed with the NUL
      {"/var/spool", 12, 11, "/var/spool/"},
  };
  for (const Case& c : cases) {
    if (c.tmpdir != nullptr) {
      setenv("TMPDIR", c.tmpdir, 1);
    } else {
      unsetenv("TMPDIR");
    }
    char buffer[260] = "untouched";
    EXPECT_EQ(platform::GetTempPath(c.size, buffer), c.result) << c.size;
    EXPECT_STREQ(buffer, c.path != nullptr ? c.path : "untouched") << c.size;
  }
  if (previous) {
    setenv("TMPDIR", previous->c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

TEST(OsServicesTest, ProfileValuesAndFiles) {
  struct Case {
    const char* value;  // nullptr: the key is removed
    int expected;
  };
  const Case cases[] = {
      {"1", 1}, {" 42 days", 42}, {"-3", -3}, {"+7", 7}, {"day", 0}, {"", 0}, {nullptr, 99},
  };
  for (const Case& c : cases) {
    platform::WriteProfileString("intl", "iDate", c.value);
    EXPECT_EQ(platform::GetProfileInt("INTL", "idate", 99), c.expected)
        << (c.value ? c.value : "-");
  }
  platform::WriteProfileString("intl", "sDate", ".");
  char separator[8];
  EXPECT_EQ(platform::GetProfileString("intl", "sDate", "/", separator, sizeof separator), 1);
  EXPECT_STREQ(separator, ".");
  platform::WriteProfileString("intl", nullptr, nullptr);
  EXPECT_EQ(platform::GetProfileString("intl", "sDate", "/", separator, sizeof separator), 1);
  EXPECT_STREQ(separator, "/");

  char folder[260];
  ASSERT_GT(platform::GetTempPath(sizeof folder, folder), 0);
  const std::string path = std::string(folder) + "os-services-test.dic";
  std::ofstream(path) << "x";
  EXPECT_EQ(platform::DeleteFile(path.c_str()), 1);
  EXPECT_EQ(platform::DeleteFile(path.c_str()), 0);
  EXPECT_EQ(platform::DeleteFile(""), 0);
}

}  // namespace
