#include <gtest/gtest.h>

#include <QColor>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>

#include "data/DicomFile.h"
#include "support/Imagehost.h"
#include "support/Screenshots.h"

// The host program driven by its macro language, offscreen, with the small test plug-in.
namespace {

using dicom::DataSet;
using dicom::MakeTag;
namespace vr = dicom::vr;
using testing_support::HostCommand;
using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempDir;

constexpr int kSize = 256;

DataSet ImageDataSet(const char* name, int samples, int bits, const char* photometric) {
  DataSet dataSet;
  dataSet.InsertText(MakeTag(0x0008, 0x0016), vr::UI, "1.2.840.10008.5.1.4.1.1.7");
  dataSet.InsertText(MakeTag(0x0008, 0x0018), vr::UI,
                     std::string("1.2.826.0.1.3680043.2.1.") + std::to_string(samples));
  dataSet.InsertText(MakeTag(0x0010, 0x0010), vr::PN, name);
  dataSet.InsertText(MakeTag(0x0028, 0x0004), vr::CS, photometric);
  const int stored = bits == 16 ? 12 : 8;
  const std::pair<std::uint16_t, int> values[] = {
      {0x0002, samples}, {0x0010, kSize},      {0x0011, kSize}, {0x0100, bits},
      {0x0101, stored},  {0x0102, stored - 1}, {0x0103, 0}};
  for (const auto& [element, value] : values)
    dataSet.InsertUS(MakeTag(0x0028, element), static_cast<std::uint16_t>(value));
  if (samples == 3) dataSet.InsertUS(MakeTag(0x0028, 0x0006), 0);
  return dataSet;
}

void WriteImage(const std::string& path, DataSet dataSet, std::vector<std::uint8_t> pixels) {
  auto data = std::make_unique<std::uint8_t[]>(pixels.size());
  std::copy(pixels.begin(), pixels.end(), data.get());
  dataSet.InsertRaw(dicom::kPixelDataTag,
                    dataSet.GetUS(MakeTag(0x0028, 0x0100)) == 16 ? vr::OW : vr::OB,
                    static_cast<std::uint32_t>(pixels.size()), std::move(data));
  dicom::DicomFile file(dataSet.GetText(MakeTag(0x0008, 0x0016), vr::UI),
                        dataSet.GetText(MakeTag(0x0008, 0x0018), vr::UI),
                        dicom::ExplicitLittleEndian);
  file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(file.Write(dataSet)) << path;
}

// A 12-bit head phantom of ellipses (intensity, half axes, centre, tilt in degrees), shown with
// a soft-tissue window.
void WritePhantom(const std::string& path) {
  struct Ellipse {
    double value, a, b, x, y, degrees;
  };
  constexpr Ellipse kEllipses[] = {
      {1.0, .69, .92, 0, 0, 0},      {-.8, .6624, .874, 0, -.0184, 0},
      {-.2, .11, .31, .22, 0, -18},  {-.2, .16, .41, -.22, 0, 18},
      {.1, .21, .25, 0, .35, 0},     {.1, .046, .046, 0, .1, 0},
      {.1, .046, .046, 0, -.1, 0},   {.1, .046, .023, -.08, -.605, 0},
      {.1, .023, .023, 0, -.606, 0}, {.1, .023, .046, .06, -.605, 0},
  };
  std::vector<std::uint8_t> pixels;
  for (int row = 0; row < kSize; ++row) {
    for (int column = 0; column < kSize; ++column) {
      const double x = (2.0 * column + 1) / kSize - 1;
      const double y = 1 - (2.0 * row + 1) / kSize;
      double value = 0;
      for (const Ellipse& e : kEllipses) {
        const double angle = e.degrees * std::numbers::pi / 180;
        const double u = (x - e.x) * std::cos(angle) + (y - e.y) * std::sin(angle);
        const double v = -(x - e.x) * std::sin(angle) + (y - e.y) * std::cos(angle);
        if (u * u / (e.a * e.a) + v * v / (e.b * e.b) <= 1) value += e.value;
      }
      const auto stored = static_cast<std::uint16_t>(std::lround(value * 2000) + 24);
      pixels.push_back(static_cast<std::uint8_t>(stored & 0xFF));
      pixels.push_back(static_cast<std::uint8_t>(stored >> 8));
    }
  }
  DataSet dataSet = ImageDataSet("Phantom^Head", 1, 16, "MONOCHROME2");
  dataSet.InsertText(MakeTag(0x0028, 0x1050), vr::DS, "440");
  dataSet.InsertText(MakeTag(0x0028, 0x1051), vr::DS, "480");
  WriteImage(path, std::move(dataSet), std::move(pixels));
}

// Hue around the centre, saturation growing outwards, a little darker towards the bottom.
void WriteColours(const std::string& path) {
  std::vector<std::uint8_t> pixels;
  for (int row = 0; row < kSize; ++row) {
    for (int column = 0; column < kSize; ++column) {
      const double dx = column - kSize / 2.0;
      const double dy = row - kSize / 2.0;
      const double hue = (std::atan2(dy, dx) / std::numbers::pi + 1) / 2;
      const double saturation = std::min(1.0, std::hypot(dx, dy) / (kSize / 2.0));
      const QColor colour =
          QColor::fromHsvF(static_cast<float>(std::min(hue, 0.999)), static_cast<float>(saturation),
                           static_cast<float>(1 - 0.35 * row / kSize));
      pixels.push_back(static_cast<std::uint8_t>(colour.red()));
      pixels.push_back(static_cast<std::uint8_t>(colour.green()));
      pixels.push_back(static_cast<std::uint8_t>(colour.blue()));
    }
  }
  WriteImage(path, ImageDataSet("Colour^Wheel", 3, 8, "RGB"), std::move(pixels));
}

std::string Fill(std::string text, const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& [name, value] : values) {
    for (auto at = text.find(name); at != std::string::npos;
         at = text.find(name, at + value.size()))
      text.replace(at, name.size(), value);
  }
  return text;
}

struct MacroCase {
  const char* name;
  const char* plugin;  // nullptr: the plug-in of this build
  std::string macroFile;
  std::string lines;
  std::vector<std::string> out;
  int status;
  std::vector<std::string> err;  // lines that standard error must hold
};

const std::string kPreferences =
    "archiveHost=pacs.example.org\narchivePort=4242\ncallingAeTitle=IMAGEHOST\n"
    "calledAeTitle=ANY-SCP\nreceivePort=11112\ncheckDuplicate=1\nlanguage=2\ndateOrder=1\n"
    "dateSeparator=.\nretrieveMethod=move\nuseTls=0\ntlsCaFile=\ntlsCertFile=\ntlsKeyFile=\n"
    "receiveFrom=archive";

// The plug-in's browser and filter as a user drives them, its archive gone: Help in each opens
// the page of its context in the host's language, F1 in the host the contents.
MacroCase BrowserAndHelp() {
  MacroCase c{"browser, filter and help of the plug-in",
              nullptr,
              "",
              "setLanguage(1)\n"
              "dicomRequest(\"127.0.0.1\", {closed}, \"IMAGEHOST\", \"ANY-SCP\")\n"
              "waitWindow(\"Dicom Request\", 20)\n"
              "isDialogRequestOpen()\n"
              "click(\"Dicom Request\", 6005)\n"
              "click(\"Dicom Request\", 6014)\n"
              "waitWindow(\"Filter\", 20)\n"
              "check(\"Filter\", 6027)\n"
              "setDate(\"Filter\", 6022, \"20021204\")\n"
              "click(\"Filter\", 1)\n"
              // A line between, so that the filter's modal loop has ended before the caption
              // is read.
              "screenshot(\"Dicom Request\", \"{dir}/browser.png\")\n"
              "text(\"Dicom Request\", 6013)\n"
              "closeWindow(\"Dicom Request\")\n"
              "isDialogRequestOpen()\n"
              "dicomRequest(\"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\")\n"
              "key(\"Dicom Request\", \"Esc\")\n"
              "isDialogRequestOpen()\n"
              "key(\"imagehost\", \"F1\")\n"
              "waitWindow(\"Help: contents\", 20)\n",
              {"1", "1", "Creation Date : 04.12.2002", "0", "1", "0"},
              0,
              {"DICOM: Unable to contact the server.\nPlease check the IP address and the port in "
               "the preferences."}};
  const struct {
    int language;
    std::string browser, filter, browserPage, filterPage;
  } languages[] = {
      {1, "Dicom Request", "Filter", "Help: the Dicom Request window", "Help: the filter"},
      {0, "DICOM-Abfrage", "Filter", "Hilfe: Fenster DICOM-Abfrage", "Hilfe: Filter"},
      {2, "Requête Dicom", "Filtre", "Aide : fenêtre Requête Dicom", "Aide : filtre"},
  };
  for (const auto& l : languages) {
    const std::string browser = "\"" + l.browser + "\"", filter = "\"" + l.filter + "\"";
    c.lines += "setLanguage(" + std::to_string(l.language) +
               ")\ndicomRequest(\"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\")\n"
               "waitWindow(" +
               browser + ", 20)\nclick(" + browser + ", 9)\nwaitWindow(\"" + l.browserPage +
               "\", 20)\nclick(" + browser + ", 6014)\nwaitWindow(" + filter + ", 20)\nclick(" +
               filter + ", 9)\nwaitWindow(\"" + l.filterPage + "\", 20)\nclick(" + filter +
               ", 2)\nwaitWindow(" + browser + ", 20)\ncloseWindow(" + browser + ")\n";
    c.out.push_back("1");
  }
  return c;
}

// The cases run in order in one configuration directory: the preferences set by one are seen by
// the next.
// clang-format off
std::vector<MacroCase> Cases() {
  return {
      {"two images listed and shown", nullptr, "",
       "open(\"{phantom}\")\n"
       "setCurrent(2)\n"
       "open(\"{colours}\")\n"
       "protect(1, 1)\n"
       "displays()\n"
       "protect(1, 0)\n"
       "screenshot(\"imagehost\", \"{screenshot}\")",
       {"1", "2", "1\tphantom.dcm\t256x256\t16\t1", "2\tcolours.dcm\t256x256\t8\t0"}, 0, {}},
      {"images sent through the plug-in", nullptr, "",
       "open(\"{phantom}\")\n"
       "sendImage(1, \"127.0.0.1\", {closed}, \"IMAGEHOST\", \"ANY-SCP\", 1)\n"
       "sendImage(3, \"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\", 0)",
       {"1", "-2\tNo association could be established, or the duplicate check got no answer."}, 1,
       {"line 3: sendImage(3, \"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\", 0): display 3 "
        "holds no image file"}},
      {"preferences set and listed", nullptr, "",
       "setPreference(\"archiveHost\", \"pacs.example.org\")\n"
       "setPreference(\"archivePort\", 4242)\n"
       "setPreference(\"checkDuplicate\", \"1\")\n"
       "setPreference(\"dateOrder\", \"1\")\n"
       "setPreference(\"dateSeparator\", \".\")\n"
       "setLanguage(2)\n"
       "macGetLanguage()\n"
       "preferences()\n"
       "setPreference(\"archivePort\", \"0\")",
       Lines("2\n" + kPreferences), 1,
       {"line 9: setPreference(\"archivePort\", \"0\"): archivePort takes a number from 1 to "
        "65535"}},
      {"preferences kept", nullptr, "", "preferences()\nmacGetLanguage ()",
       Lines(kPreferences + "\n2"), 0, {}},
      {"file and lines run in order; a malformed line ends the run", nullptr, "wait(1)\n",
       "open(\"x\"\nwait(1)", {}, 1, {"line 2: open(\"x\": missing ')'"}},
      {"unknown window", nullptr, "", "waitWindow(\"Nothing\", 0)", {}, 1,
       {"line 1: waitWindow(\"Nothing\", 0): no window \"Nothing\" after 0 s"}},
      {"quit ends the run", nullptr, "", "quit()\nnoSuchCommand()", {}, 0, {}},
      BrowserAndHelp(),
      {"without the plug-in the host still runs and says why, in the language kept",
       "/nonexistent/libdicomplugin.so", "",
       "open(\"{phantom}\")\n"
       "sendImage(1, \"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\", 0)",
       {"1"}, 1,
       {"imagehost: Impossible de charger le module /nonexistent/libdicomplugin.so "
        "(/nonexistent/libdicomplugin.so: cannot open shared object file: No such file or "
        "directory). Requête/Récupération et Envoi ne sont pas disponibles.",
        "line 2: sendImage(1, \"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\", 0): the plug-in "
        "is not loaded or has no SendDicomImageToServer"}},
  };
}
// clang-format on

TEST(ImagehostTest, MacroScripts) {
  TempDir dir;
  WritePhantom(dir.File("phantom.dcm"));
  WriteColours(dir.File("colours.dcm"));
  const std::string screenshot = testing_support::ScreenshotPath("imagehost.png");
  const std::vector<std::pair<std::string, std::string>> values = {
      {"{phantom}", dir.File("phantom.dcm")},
      {"{colours}", dir.File("colours.dcm")},
      {"{screenshot}", screenshot},
      {"{dir}", dir.File("")},
      {"{closed}", "\"" + std::to_string(testing_support::FreePort()) + "\""}};

  for (const MacroCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> command =
        HostCommand(dir, Fill(c.lines, values), c.plugin != nullptr ? c.plugin : PLUGIN);
    if (!c.macroFile.empty()) {
      testing_support::WriteFile(dir.File("macro.txt"), c.macroFile);
      command.insert(command.end() - 2, {"--macro", dir.File("macro.txt")});
    }
    const testing_support::CommandResult result = RunProgram(command);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(Lines(result.out), c.out) << result.err;
    for (const std::string& line : c.err)
      EXPECT_NE(result.err.find(Fill(line, values) + "\n"), std::string::npos) << result.err;
  }
  EXPECT_EQ(ReadFile(screenshot).substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(ReadFile(dir.File("browser.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
