#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Helpers for the tests that run other programs: the dicomnet tool, DCMTK's tools and pydicom.
namespace interop {

// Debian's pydicom lives with the system interpreter, not with whatever python3 is first on PATH.
inline constexpr const char* kSystemPython = "/usr/bin/python3";

struct CommandResult {
  // The exit status, or 128 + the signal number when the program was killed.
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program (searched on PATH when the name holds no slash) with these arguments, without a
// shell, with standard input closed, and collects both output streams.
CommandResult Run(const std::vector<std::string>& argv);

// Whether the program can be started: an executable path, or a name found on PATH.
bool HaveProgram(std::string_view name);
// Whether the system interpreter can import pydicom.
bool HavePydicom();

// A fresh directory under the system's temporary directory, removed with all it holds.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, std::string_view bytes);
void AppendFile(const std::string& path, std::string_view bytes);

// The lines of a text without their end-of-line characters; no empty last line.
std::vector<std::string> Lines(std::string_view text);

}  // namespace interop
