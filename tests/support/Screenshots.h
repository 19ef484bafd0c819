#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

// Where a test saves a screenshot: the README's folder with UPDATE_SCREENSHOTS=1, else the
// temporary directory, so that an ordinary run leaves the tree alone. SOURCE_DIR comes from the
// test target.
inline std::string ScreenshotPath(std::string_view file) {
  const char* update = std::getenv("UPDATE_SCREENSHOTS");
  const std::filesystem::path folder = update != nullptr && std::string_view(update) == "1"
                                           ? std::filesystem::path(SOURCE_DIR) / "docs/screenshots"
                                           : std::filesystem::temp_directory_path();
  std::filesystem::create_directories(folder);
  return (folder / file).string();
}

}  // namespace testing_support
