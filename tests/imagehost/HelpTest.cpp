// Help pressed in the browser and in its filter opens the plug-in's page for that context, in the
// host's language: imagehost driven by its macros, offscreen, finds each page's window by the
// title the page gives it.

#include <gtest/gtest.h>

#include <string>

#include "support/Programs.h"

namespace {

using testing_support::RunProgram;
using testing_support::TempDir;

TEST(HelpTest, BrowserAndFilterOpenTheirPageInEachLanguage) {
  const struct {
    int language;
    std::string browser, filter, browserPage, filterPage;
  } cases[] = {
      {1, "Dicom Request", "Filter", "Help: the Dicom Request window", "Help: the filter"},
      {0, "DICOM-Abfrage", "Filter", "Hilfe: Fenster DICOM-Abfrage", "Hilfe: Filter"},
      {2, "Requête Dicom", "Filtre", "Aide : fenêtre Requête Dicom", "Aide : filtre"},
  };
  std::string lines =
      "setPreference(\"receivePort\", \"" + std::to_string(testing_support::FreePort()) + "\")\n";
  for (const auto& c : cases) {
    const std::string browser = "\"" + c.browser + "\"", filter = "\"" + c.filter + "\"";
    lines += "setLanguage(" + std::to_string(c.language) +
             ")\n"
             "dicomRequest(\"127.0.0.1\", \"104\", \"DICOMNET\", \"ARCHIVE\")\n"
             "waitWindow(" +
             browser + ", 10)\nclick(" + browser + ", 9)\nwaitWindow(\"" + c.browserPage +
             "\", 10)\nclick(" + browser + ", 6014)\nwaitWindow(" + filter + ", 10)\nclick(" +
             filter + ", 9)\nwaitWindow(\"" + c.filterPage + "\", 10)\nclick(" + filter +
             ", 2)\ncloseWindow(" + browser + ")\n";
  }
  TempDir dir;
  const auto run = RunProgram({"timeout", "120", "env", "QT_QPA_PLATFORM=offscreen",
                               "XDG_CONFIG_HOME=" + dir.File("config"), "TMPDIR=" + dir.File(""),
                               IMAGEHOST_BIN, "--plugin", PLUGIN, "-e", lines});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
}

}  // namespace
