#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/DicomFile.h"
#include "hostlibs/vekbase/Displays.h"
#include "hostlibs/vekbase/Macro.h"
#include "hostlibs/vekbase/VekBase.h"
#include "support/Programs.h"

namespace {

using dicom::DataSet;
using dicom::Tag;
namespace vr = dicom::vr;

constexpr std::string_view kSecondaryCapture = "1.2.840.10008.5.1.4.1.1.7";

struct ImageCase {
  const char* name;
  int columns, rows, samples, bits, stored;
  const char* photometric;
  std::vector<std::uint8_t> pixels;
  // More attributes: the window and rescale values (0028,105x) as DS text, the rest as US.
  std::vector<std::pair<Tag, const char*>> extra;
  std::vector<std::pair<int, int>> spots;  // byte index in the display pixels, expected value
  const char* error;                       // part of the refusal, or nullptr when it loads
};

DataSet Make(const ImageCase& c) {
  DataSet dataSet;
  dataSet.InsertText(0x00080016, vr::UI, kSecondaryCapture);
  dataSet.InsertText(0x00080018, vr::UI, "1.2.3.4");
  dataSet.InsertUS(0x00280002, static_cast<std::uint16_t>(c.samples));
  dataSet.InsertText(0x00280004, vr::CS, c.photometric);
  dataSet.InsertUS(0x00280010, static_cast<std::uint16_t>(c.rows));
  dataSet.InsertUS(0x00280011, static_cast<std::uint16_t>(c.columns));
  dataSet.InsertUS(0x00280100, static_cast<std::uint16_t>(c.bits));
  dataSet.InsertUS(0x00280101, static_cast<std::uint16_t>(c.stored));
  dataSet.InsertUS(0x00280102, static_cast<std::uint16_t>(c.stored - 1));
  for (const auto& [tag, text] : c.extra) {
    if ((tag & 0xFFFFFF00) == 0x00281000)
      dataSet.InsertText(tag, vr::DS, text);
    else
      dataSet.InsertUS(tag, static_cast<std::uint16_t>(std::stoi(text)));
  }
  auto data = std::make_unique<std::uint8_t[]>(c.pixels.size());
  std::copy(c.pixels.begin(), c.pixels.end(), data.get());
  dataSet.InsertRaw(dicom::kPixelDataTag, c.bits == 16 ? vr::OW : vr::OB,
                    static_cast<std::uint32_t>(c.pixels.size()), std::move(data));
  return dataSet;
}

// clang-format off
const ImageCase kImageCases[] = {
    {"grey8.dcm", 4, 3, 1, 8, 8, "MONOCHROME2", {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120},
     {}, {{0, 0}, {11, 255}, {5, 116}}, nullptr},
    {"inverted8.dcm", 2, 1, 1, 8, 8, "MONOCHROME1", {0, 200}, {}, {{0, 255}, {1, 0}}, nullptr},
    // Little-endian words 0800 F00A 003C 006E 0FFF 07FF: 12 bits stored, signed, with junk above
    // the high bit; window 50/101 runs from -0.5 to 99.5, so 0 is almost black, 50 mid grey and
    // 100 white.
    {"grey16.dcm", 3, 2, 1, 16, 12, "MONOCHROME2",
     {0x00, 0x08, 0x0A, 0xF0, 0x3C, 0x00, 0x6E, 0x00, 0xFF, 0x0F, 0xFF, 0x07},
     {{0x00280103, "1"}, {0x00281050, "50\\300"}, {0x00281051, "101\\400"},
      {0x00281052, "-10"}, {0x00281053, "1"}},
     {{0, 0}, {1, 1}, {2, 129}, {3, 255}, {4, 0}, {5, 255}}, nullptr},
    {"rgbPlanar.dcm", 2, 1, 3, 8, 8, "RGB", {1, 2, 3, 4, 5, 6}, {{0x00280006, "1"}},
     {{0, 1}, {1, 3}, {2, 5}, {3, 2}, {4, 4}, {5, 6}}, nullptr},
    {"short.dcm", 4, 3, 1, 8, 8, "MONOCHROME2", std::vector<std::uint8_t>(10), {}, {},
     "shorter than one frame"},
    {"huge.dcm", 65535, 65535, 1, 16, 16, "MONOCHROME2", std::vector<std::uint8_t>(16), {}, {},
     "shorter than one frame"},
    {"bits12.dcm", 2, 1, 1, 12, 12, "MONOCHROME2", std::vector<std::uint8_t>(4), {}, {},
     "bits allocated 12"},
    // Full-range YCbCr of a red and a green pixel.
    {"ybr.dcm", 2, 1, 3, 8, 8, "YBR_FULL", {76, 85, 255, 150, 44, 21}, {},
     {{0, 254}, {1, 0}, {2, 0}, {3, 0}, {4, 255}, {5, 1}}, nullptr},
    {"ybr422.dcm", 2, 1, 3, 8, 8, "YBR_FULL_422", std::vector<std::uint8_t>(6), {}, {},
     "photometric interpretation YBR_FULL_422"},
};
// clang-format on

class DisplaysTest : public testing::Test {
 protected:
  void TearDown() override {
    displays_.SetListener(nullptr);
    for (int n = 1; n <= displays_.Count(); ++n)
      displays_.SetProtected(n, false);
  }
  std::string Write(const char* name, const DataSet& dataSet) {
    const std::string path = directory_.File(name);
    dicom::DicomFile file(kSecondaryCapture, "1.2.3.4", dicom::ExplicitLittleEndian);
    file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
    EXPECT_TRUE(file.Write(dataSet));
    return path;
  }

  testing_support::TempDir directory_;
  vekbase::Displays& displays_ = vekbase::Displays::Instance();
};

TEST_F(DisplaysTest, LoadsGreyAndRgbAndRefusesWhatItCannotShow) {
  std::vector<int> changed;
  displays_.SetListener([&](int number) { changed.push_back(number); });
  for (const ImageCase& c : kImageCases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(c.name, Make(c));
    std::string error;
    changed.clear();
    const bool loaded = displays_.Load(2, path, error);
    if (c.error != nullptr) {
      EXPECT_FALSE(loaded);
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      EXPECT_TRUE(changed.empty());
      continue;
    }
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(changed, std::vector<int>{2});
    const vekbase::Display* display = displays_.Get(2);
    EXPECT_EQ(display->name, c.name);
    EXPECT_EQ(display->sourcePath, path);
    const vekbase::Image& image = display->image;
    ASSERT_EQ(image.pixels.size(),
              static_cast<std::size_t>(image.columns * image.rows * image.samplesPerPixel));
    for (const auto& [index, value] : c.spots)
      EXPECT_EQ(image.pixels[static_cast<std::size_t>(index)], value) << "byte " << index;
  }

  // A file cut inside the pixel data: the toolkit leaves the element out.
  const std::string whole = testing_support::ReadFile(directory_.File("grey8.dcm"));
  const std::string cut = directory_.File("cut.dcm");
  testing_support::WriteFile(cut, whole.substr(0, whole.size() - 5));
  EXPECT_EQ(imgLoad(3, cut.c_str()), 0);
  EXPECT_EQ(imgLoad(3, directory_.File("absent.dcm").c_str()), 0);
  EXPECT_EQ(imgLoad(65, directory_.File("grey8.dcm").c_str()), 0);

  EXPECT_EQ(imgSetName(0, "x"), 0);
}

// Empty displays, the first eight in use: with the others protected a ninth is added.
TEST_F(DisplaysTest, NextUnprotectedWrapsAndSkipsProtected) {
  struct Case {
    std::vector<int> isProtected;
    int display;
    int next;
  };
  const Case cases[] = {
      {{}, 8, 1}, {{}, 0, 1}, {{4, 5}, 3, 6}, {{8, 1}, 7, 2}, {{1, 2, 4, 5, 6, 7, 8}, 3, 9},
  };
  for (const Case& c : cases) {
    for (int n = 1; n <= displays_.Count(); ++n) {
      displays_.SetProtected(n, false);
      displays_.Clear(n);
    }
    for (int n : c.isProtected)
      displays_.SetProtected(n, true);
    EXPECT_EQ(imgGetNextUnprotected(static_cast<std::uint16_t>(c.display), 0), c.next)
        << "from " << c.display;
  }
}

TEST(MacroTest, ParsesLinesAndNamesWhatIsWrong) {
  struct Case {
    const char* line;
    const char* call;  // name and arguments, '|' between; "" for no call
    const char* error;
  };
  const Case cases[] = {
      {"\tmacGetLanguage( ) # asks the host\r", "macGetLanguage", ""},
      {"open(\"/tmp/a b.dcm\")", "open|\"/tmp/a b.dcm", ""},
      {"protect( 3 ,-1,+2 )", "protect|3|-1|2", ""},
      {"setText(\"t\", 5, \"say \\\"hi\\\" \\\\ # not a comment\")",
       "setText|\"t|5|\"say \"hi\" \\ # not a comment", ""},
      {"open", "", "missing '('"},
      {"open(\"abc", "", "unterminated string"},
      {"open(1, 2", "", "missing ')'"},
      {"open(1,)", "", "missing argument"},
      {"open(abc)", "", "expected a string or an integer"},
      {"open(12abc)", "", "not an integer"},
      {"open(99999999999999999999)", "", "out of range"},
      {"open(1 2)", "", "expected ',' or ')'"},
      {"open(1) x", "", "unexpected text after ')'"},
      {"f(\"a\\n\")", "", "unknown escape"},
  };
  for (const Case& c : cases) {
    const vekbase::ParsedLine parsed = vekbase::ParseMacroLine(c.line);
    std::string call;
    if (parsed.call) {
      call = parsed.call->name;
      for (const vekbase::MacroArgument& argument : parsed.call->arguments)
        call += "|" + (argument.isText ? "\"" + argument.text : std::to_string(argument.number));
    }
    EXPECT_EQ(call, c.call) << c.line;
    if (*c.error == '\0')
      EXPECT_EQ(parsed.error, "") << c.line;
    else
      EXPECT_NE(parsed.error.find(c.error), std::string::npos) << c.line << ": " << parsed.error;
  }
}

// The host's own query answers the language of the moment and takes no arguments; a line that
// names no command does nothing.
TEST(MacroTest, CommandsAnswerOrFail) {
  vekbase::SetHostLanguage(2);
  const std::pair<const char*, int> cases[] = {{"macGetLanguage ()", 2},
                                               {"macGetLanguage (1)", -1},
                                               {"noSuchCommand()", -1},
                                               {"# nothing", 0}};
  for (const auto& [line, result] : cases)
    EXPECT_EQ(macCommand(line), result) << line;
  vekbase::SetHostLanguage(1);
}

}  // namespace
