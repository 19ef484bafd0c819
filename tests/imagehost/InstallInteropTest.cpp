// The installation: `cmake --install` of this build to a temporary prefix, the installed host
// running there with the plug-in beside it, the Debian package as lintian judges it, and the
// programs' --help and --version. The images come from the sample studies script, which the demo
// archive of run.sh loads.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Version.h"
#include "support/Imagehost.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

TEST(InstallInteropTest, InstalledHostOpensSampleImages) {
  TempDir dir;
  const std::string prefix = dir.File("prefix");
  const auto install = RunProgram({"cmake", "--install", BINARY_DIR, "--prefix", prefix});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  for (const char* file : {"bin/dicomnet", "lib/imagehost/help/Dicom/en/39601.html",
                           "lib/imagehost/translations/imagehost_fr.qm"}) {
    EXPECT_TRUE(fs::exists(fs::path(prefix) / file)) << file;
  }

  const auto samples =
      RunProgram({kSystemPython, SOURCE_DIR "/tools/make_sample_studies.py", dir.File("samples")});
  ASSERT_EQ(samples.status, 0) << samples.err;
  EXPECT_EQ(samples.out,
            "7 patients, 10 studies, 25 series, 152 images in " + dir.File("samples") + "\n");

  // A receive port of its own, so that the receiver the host starts clashes with nobody.
  fs::create_directories(dir.File("config/imagehost"));
  WriteFile(dir.File("config/imagehost/imagehost.conf"),
            "[General]\nreceivePort=" + std::to_string(FreePort()) + "\n");
  const auto run = RunProgram(HostCommand(
      dir,
      "open(\"" + dir.File("samples/p1-st1-se1-im01.dcm") + "\")\nsetCurrent(2)\nopen(\"" +
          dir.File("samples/p3-st4-se1-im01.dcm") + "\")\ndisplays()\nisDialogRequestOpen()",
      "", prefix + "/bin/imagehost"));
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(Lines(run.out),
            (std::vector<std::string>{"1", "2", "1\tp1-st1-se1-im01.dcm\t128x128\t16\t0",
                                      "2\tp3-st4-se1-im01.dcm\t128x128\t8\t0", "0"}));
}

TEST(InstallInteropTest, DebIsLintianClean) {
  TempDir dir;
  const auto package = RunProgram({"cpack", "-G", "DEB", "--config",
                                   BINARY_DIR "/CPackConfig.cmake", "-B", dir.File("package")});
  ASSERT_EQ(package.status, 0) << package.out << package.err;
  std::string deb;
  for (const auto& entry : fs::directory_iterator(dir.File("package")))
    if (entry.path().extension() == ".deb") deb = entry.path().string();
  ASSERT_FALSE(deb.empty()) << package.out;
  const auto contents = RunProgram({"dpkg-deb", "--contents", deb});
  ASSERT_EQ(contents.status, 0) << contents.err;
  for (const char* file :
       {"./usr/bin/imagehost -> ../lib/imagehost/imagehost", "./usr/share/man/man1/imagehost.1.gz",
        "./usr/share/doc/dicomnet/copyright"}) {
    EXPECT_NE(contents.out.find(file), std::string::npos) << file << '\n' << contents.out;
  }
  // The changelog is kept by hand: its latest entry must be this version's.
  EXPECT_EQ(Lines(ReadFile(SOURCE_DIR "/packaging/changelog.Debian")).at(0),
            std::string("dicomnet (") + kProductVersion + "-1) unstable; urgency=medium");
  if (!HaveProgram("lintian")) GTEST_SKIP() << "lintian is not installed";
  const auto lintian = RunProgram({"lintian", "--fail-on", "error,warning", deb});
  EXPECT_EQ(lintian.status, 0) << lintian.out << lintian.err;
  EXPECT_EQ(lintian.out, "");
}

// Both answer without a display: a package's tools and a user on a terminal ask them so.
TEST(InstallInteropTest, ProgramsAnswerHelpAndVersionWithoutDisplay) {
  const struct {
    const char* program;
    const char* option;
    std::string out;  // its start
  } cases[] = {
      {DICOMNET_BIN, "--help", "usage: dicomnet COMMAND"},
      {DICOMNET_BIN, "--version", std::string("dicomnet ") + kProductVersion + "\n"},
      {IMAGEHOST_BIN, "--help", "usage: imagehost [--plugin PATH]"},
      {IMAGEHOST_BIN, "--version", std::string("imagehost ") + kProductVersion + "\n"},
  };
  for (const auto& c : cases) {
    const auto run = RunProgram({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                 "QT_QPA_PLATFORM", c.program, c.option});
    EXPECT_EQ(run.status, 0) << c.program << ' ' << c.option << '\n' << run.err;
    EXPECT_EQ(run.out.substr(0, c.out.size()), c.out) << c.program << ' ' << c.option;
    EXPECT_EQ(run.err, "") << c.program << ' ' << c.option;
  }
}

}  // namespace
