#include <gtest/gtest.h>

#include "support/Imagehost.h"
#include "support/Screenshots.h"

// The host program driven by its macro language, offscreen, with the small test plug-in.
namespace {

using testing_support::Lines;
using testing_support::ReadFile;
using testing_support::RunProgram;
using testing_support::TempDir;

// pydicom writes a 12-bit head phantom of ellipses (intensity, half axes, centre, tilt in degrees)
// with a soft-tissue window, and an RGB colour wheel.
constexpr const char* kImages = R"(if 1:
    import colorsys, math, os, struct, sys
    from pydicom.dataset import Dataset, FileMetaDataset
    def save(file, name, bits, photometric, pixels, **more):
      ds = Dataset(); ds.file_meta = m = FileMetaDataset()
      m.TransferSyntaxUID = "1.2.840.10008.1.2.1"
      m.MediaStorageSOPClassUID = ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
      m.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = "1.2.826.0.1.3680043.2.1." + str(bits)
      ds.is_little_endian, ds.is_implicit_VR = True, False
      ds.PatientName, ds.PhotometricInterpretation = name, photometric
      ds.SamplesPerPixel, ds.Rows, ds.Columns = 3 if bits == 8 else 1, 256, 256
      ds.BitsAllocated, ds.BitsStored = bits, 12 if bits == 16 else 8
      ds.HighBit, ds.PixelRepresentation = ds.BitsStored - 1, 0
      for key, value in more.items(): setattr(ds, key, value)
      ds.PixelData = bytes(pixels)
      ds.save_as(os.path.join(sys.argv[1], file), write_like_original=False)
    ellipses = ((1, .69, .92, 0, 0, 0), (-.8, .6624, .874, 0, -.0184, 0),
                (-.2, .11, .31, .22, 0, -18), (-.2, .16, .41, -.22, 0, 18), (.1, .21, .25, 0, .35, 0),
                (.1, .046, .046, 0, .1, 0), (.1, .046, .046, 0, -.1, 0),
                (.1, .046, .023, -.08, -.605, 0), (.1, .023, .023, 0, -.606, 0),
                (.1, .023, .046, .06, -.605, 0))
    head, wheel = bytearray(), bytearray()
    for row in range(256):
      for column in range(256):
        x, y, value = (2 * column + 1) / 256 - 1, 1 - (2 * row + 1) / 256, 0
        for v, a, b, cx, cy, degrees in ellipses:
          c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
          u, w = (x - cx) * c + (y - cy) * s, -(x - cx) * s + (y - cy) * c
          value += v if u * u / (a * a) + w * w / (b * b) <= 1 else 0
        head += struct.pack("<H", round(value * 2000) + 24)
        dx, dy = column - 128, row - 128
        hue = min((math.atan2(dy, dx) / math.pi + 1) / 2, 0.999)
        rgb = colorsys.hsv_to_rgb(hue, min(1, math.hypot(dx, dy) / 128), 1 - 0.35 * row / 256)
        wheel += bytes(round(part * 255) for part in rgb)
    save("phantom.dcm", "Phantom^Head", 16, "MONOCHROME2", head, WindowCenter="440",
         WindowWidth="480")
    save("colours.dcm", "Colour^Wheel", 8, "RGB", wheel, PlanarConfiguration=0))";

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
      {"two images listed and shown", nullptr,
       "open(\"{phantom}\")\n"
       "setCurrent(2)\n"
       "open(\"{colours}\")\n"
       "protect(1, 1)\n"
       "displays()\n"
       "protect(1, 0)\n"
       "screenshot(\"imagehost\", \"{screenshot}\")",
       {"1", "2", "1\tphantom.dcm\t256x256\t16\t1", "2\tcolours.dcm\t256x256\t8\t0"}, 0, {}},
      {"images sent through the plug-in", nullptr,
       "open(\"{phantom}\")\n"
       "sendImage(1, \"127.0.0.1\", {closed}, \"IMAGEHOST\", \"ANY-SCP\", 1)\n"
       "sendImage(3, \"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\", 0)",
       {"1", "-2\tNo association could be established, or the duplicate check got no answer."}, 1,
       {"line 3: sendImage(3, \"127.0.0.1\", \"104\", \"IMAGEHOST\", \"ANY-SCP\", 0): display 3 "
        "holds no image file"}},
      {"preferences set and listed", nullptr,
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
      {"preferences kept", nullptr, "preferences()\nmacGetLanguage ()",
       Lines(kPreferences + "\n2"), 0, {}},
      {"unknown window", nullptr, "waitWindow(\"Nothing\", 0)", {}, 1,
       {"line 1: waitWindow(\"Nothing\", 0): no window \"Nothing\" after 0 s"}},
      {"quit ends the run", nullptr, "quit()\nnoSuchCommand()", {}, 0, {}},
      BrowserAndHelp(),
      {"without the plug-in the host still runs and says why, in the language kept",
       "/nonexistent/libdicomplugin.so",
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
  ASSERT_EQ(RunProgram({testing_support::kSystemPython, "-c", kImages, dir.File("")}).status, 0);
  const std::string screenshot = testing_support::ScreenshotPath("imagehost.png");
  const std::vector<std::pair<std::string, std::string>> values = {
      {"{phantom}", dir.File("phantom.dcm")},
      {"{colours}", dir.File("colours.dcm")},
      {"{screenshot}", screenshot},
      {"{dir}", dir.File("")},
      {"{closed}", "\"" + std::to_string(testing_support::FreePort()) + "\""}};

  for (const MacroCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const testing_support::CommandResult result = testing_support::RunHost(
        dir, Fill(c.lines, values), c.plugin != nullptr ? c.plugin : PLUGIN);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(Lines(result.out), c.out) << result.err;
    for (const std::string& line : c.err)
      EXPECT_NE(result.err.find(Fill(line, values) + "\n"), std::string::npos) << result.err;
  }
  EXPECT_EQ(ReadFile(screenshot).substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(ReadFile(dir.File("browser.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
