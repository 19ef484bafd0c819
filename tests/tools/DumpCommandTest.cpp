// The dicomnet binary's dump command, run as a user runs it: listings, messages and exit statuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "tools/Interop.h"

namespace {

using namespace dicom;
using interop::CommandResult;
using interop::Lines;
using interop::TempDir;

// Explicit VR little endian element headers, for appending damage to a valid file.
std::string U16(std::uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}
std::string U32(std::uint32_t value) {
  return U16(static_cast<std::uint16_t>(value)) + U16(static_cast<std::uint16_t>(value >> 16));
}
std::string TagBytes(Tag tag) {
  return U16(TagGroup(tag)) + U16(TagElement(tag));
}
std::string LongHeader(Tag tag, std::string_view vr, std::uint32_t length) {
  return TagBytes(tag) + std::string(vr) + U16(0) + U32(length);
}
std::string ShortHeader(Tag tag, std::string_view vr, std::uint16_t length) {
  return TagBytes(tag) + std::string(vr) + U16(length);
}
std::string Marker(Tag tag, std::uint32_t length) {
  return TagBytes(tag) + U32(length);
}

// The top-level elements of good.dcm; the failure messages count them.
constexpr std::size_t kGoodElements = 9;

DataSet GoodDataSet(std::string_view patientName) {
  DataSet ds;
  ds.InsertText(0x00080016, vr::UI, "1.2.840.10008.5.1.4.1.1.7");
  ds.InsertText(0x00080018, vr::UI, "1.2.3.4");
  DataSet series;
  series.InsertText(0x0020000E, vr::UI, "1.2.3");
  ds.InsertSequence(0x00081115, {std::make_shared<const DataSet>(std::move(series))});
  ds.InsertText(0x00090010, vr::LO, "KORAL");
  ds.InsertText(0x00100010, vr::PN, patientName);
  ds.InsertText(0x00100020, vr::LO, "PID-4711");
  ds.InsertSS(0x00189219, -1234);
  ds.InsertUS(0x00280010, 64);
  auto profile = std::make_unique<std::uint8_t[]>(4);
  for (std::uint8_t i = 0; i < 4; ++i)
    profile[i] = static_cast<std::uint8_t>(0x01 + 0x7F * i);
  ds.InsertRaw(0x00282000, vr::OB, 4, std::move(profile));
  return ds;
}

// Lines of the listing of good.dcm, in the order shown.
const std::vector<std::string> kGoodLines = {
    "(0002,0010),UI,20,TransferSyntaxUID\t\"1.2.840.10008.1.2.1\"",
    "(0008,0018),UI,8,SOPInstanceUID\t\"1.2.3.4\"",
    "(0008,1115),SQ,-1,ReferencedSeriesSequence\t(null)",
    "<(0020,000e),UI,6,SeriesInstanceUID\t\"1.2.3\"",
    "(0009,0010),LO,6,?????????????\t\"KORAL \"",
    "(0010,0010),PN,8,Patient\x92sName\t\"Doe^John\"",
    "(0010,0020),LO,8,PatientID\t\"PID-4711\"",
    "(0018,9219),SS,2,TagAngleSecondAxis\t-1234 ",
    "(0028,0010),US,2,Rows\t0040 ",
    "(0028,2000),OB,4,ICCProfile\t01 80 ff 7e ",
};

struct DumpCase {
  const char* name;
  // Arguments after the program; "@name" stands for that file in the test's directory.
  std::vector<std::string> args;
  int status;
  // Each must be a line of standard output, in this order.
  std::vector<std::string> outLines;
  // No line of standard output may start with any of these.
  std::vector<std::string> absentStarts;
  // Standard error, line by line; empty means nothing at all.
  std::vector<std::string> errLines;
  // Only the first lines of standard error are compared, e.g. before a usage text.
  bool errPrefixOnly = false;
};

// Test names already say which case runs; the listing of the case's bytes would only be noise.
void PrintTo(const DumpCase& c, std::ostream* out) {
  *out << c.name;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::string kAppendedLine = "(7fe0,0010)";
const std::string kDumpUsage = "usage: dicomnet dump FILE...";
const std::string kUsage = "usage: dicomnet COMMAND [ARGS...]";

const std::vector<DumpCase>& Cases() {
  static const std::vector<DumpCase> cases = {
      {"OneGoodFile", {"dump", "@good.dcm"}, 0, kGoodLines, {"# @good.dcm"}, {}},
      {"TwoFilesEachUnderItsName",
       {"dump", "@good.dcm", "@other.dcm"},
       0,
       Concat(Concat({"# @good.dcm"}, kGoodLines),
              {"# @other.dcm", "(0010,0010),PN,8,Patient\x92sName\t\"Roe^Jane\""}),
       {},
       {}},
      {"MissingFileAmongOthers",
       {"dump", "@good.dcm", "@missing.dcm", "@other.dcm"},
       1,
       {"# @good.dcm", "(0010,0010),PN,8,Patient\x92sName\t\"Doe^John\"", "# @other.dcm",
        "(0010,0010),PN,8,Patient\x92sName\t\"Roe^Jane\""},
       {"# @missing.dcm"},
       {"dicomnet dump: @missing.dcm: cannot open it"}},
      {"HundredBytesOfX",
       {"dump", "@x.bin"},
       1,
       {},
       {},
       {"dicomnet dump: @x.bin: not a DICOM file"}},
      {"TextFileLongEnoughForAPreamble",
       {"dump", "@text.txt"},
       1,
       {},
       {},
       {"dicomnet dump: @text.txt: not a DICOM file"}},
      {"EmptyFile",
       {"dump", "@empty.bin"},
       1,
       {},
       {},
       {"dicomnet dump: @empty.bin: not a DICOM file"}},
      {"PreambleAndMagicOnly",
       {"dump", "@magic.dcm"},
       1,
       {},
       {},
       {"dicomnet dump: @magic.dcm: not a DICOM file"}},
      {"ValueLongerThanTheLimit",
       {"dump", "@too_long.dcm"},
       1,
       kGoodLines,
       {},
       {"dicomnet dump: @too_long.dcm: decoding failed after 9 elements (a value longer than "
        "40000000 bytes)"}},
      // At the limit the length is accepted; the value is then cut short by the end of the file,
      // and such a last element is left out.
      {"ValueAtTheLimitCutShort", {"dump", "@at_limit.dcm"}, 0, kGoodLines, {kAppendedLine}, {}},
      {"StrayItemDelimiterWithLength",
       {"dump", "@stray_delimiter.dcm"},
       1,
       kGoodLines,
       {},
       {"dicomnet dump: @stray_delimiter.dcm: decoding failed after 9 elements (a delimitation "
        "item with a non-zero length)"}},
      // A sequence that failed part-way is neither listed nor counted.
      {"ItemDelimiterWithLengthInSequence",
       {"dump", "@bad_item.dcm"},
       1,
       kGoodLines,
       {"(0040,0275)", "<(0040,0009)"},
       {"dicomnet dump: @bad_item.dcm: decoding failed after 9 elements (a delimitation item "
        "with a non-zero length)"}},
      {"ItemWhereAnElementBelongs",
       {"dump", "@stray_item.dcm"},
       1,
       kGoodLines,
       {},
       {"dicomnet dump: @stray_item.dcm: decoding failed after 9 elements (an item where an "
        "element was expected)"}},
      {"DumpWithoutFiles", {"dump"}, 2, {}, {}, {kDumpUsage}},
      {"NoCommand", {}, 2, {}, {}, {kUsage}, true},
      {"UnknownCommand",
       {"frobnicate", "@good.dcm"},
       2,
       {},
       {},
       {"dicomnet: unknown command 'frobnicate'", kUsage},
       true},
      {"Help", {"--help"}, 0, {kUsage}, {}, {}},
  };
  return cases;
}

class DumpCommandTest : public testing::TestWithParam<DumpCase> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    WriteOurs("good.dcm", "Doe^John", ExplicitLittleEndian);
    WriteOurs("other.dcm", "Roe^Jane", ImplicitLittleEndian);
    interop::WriteFile(Path("x.bin"), std::string(100, 'x'));
    interop::WriteFile(Path("text.txt"), std::string(400, 'x'));
    interop::WriteFile(Path("empty.bin"), "");
    interop::WriteFile(Path("magic.dcm"), std::string(128, '\0') + "DICM");

    const std::string good = interop::ReadFile(Path("good.dcm"));
    const std::string sixteen(16, '\x5A');
    interop::WriteFile(Path("too_long.dcm"),
                       good + LongHeader(kPixelDataTag, "OB", 40'000'001) + sixteen);
    interop::WriteFile(Path("at_limit.dcm"),
                       good + LongHeader(kPixelDataTag, "OB", 40'000'000) + sixteen);
    interop::WriteFile(Path("stray_delimiter.dcm"),
                       good + Marker(kItemDelimitationTag, 4) + U32(0) + sixteen);
    interop::WriteFile(Path("bad_item.dcm"), good + LongHeader(0x00400275, "SQ", kUndefinedLength) +
                                                 Marker(kItemTag, kUndefinedLength) +
                                                 ShortHeader(0x00400009, "SH", 4) + "SPS1" +
                                                 Marker(kItemDelimitationTag, 4) + U32(0) +
                                                 Marker(kSequenceDelimitationTag, 0));
    interop::WriteFile(Path("stray_item.dcm"),
                       good + Marker(kItemTag, 16) + ShortHeader(0x00400009, "SH", 8) + "SPS1SPS1");
  }

  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static std::string Path(std::string_view name) { return dir_->File(name); }

  static void WriteOurs(std::string_view name, std::string_view patientName,
                        TransferSyntax syntax) {
    const DataSet dataSet = GoodDataSet(patientName);
    ASSERT_EQ(dataSet.Size(), kGoodElements);
    DicomFile file("1.2.840.10008.5.1.4.1.1.7", "1.2.3.4", syntax);
    file.open(Path(name), std::ios::out | std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(file.is_open());
    ASSERT_TRUE(file.Write(dataSet));
  }

  // Replaces each "@name" with the path of that file in the test's directory.
  static std::string Expand(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '@') {
        out += text[i];
        continue;
      }
      std::size_t end = i + 1;
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                   text[end] == '_' || text[end] == '.')) {
        ++end;
      }
      out += Path(text.substr(i + 1, end - i - 1));
      i = end - 1;
    }
    return out;
  }

  static TempDir* dir_;
};

TempDir* DumpCommandTest::dir_ = nullptr;

TEST_P(DumpCommandTest, Runs) {
  const DumpCase& test = GetParam();
  std::vector<std::string> argv = {DICOMNET_BIN};
  for (const std::string& arg : test.args)
    argv.push_back(Expand(arg));
  const CommandResult result = interop::Run(argv);

  EXPECT_EQ(result.status, test.status) << result.err;

  const std::vector<std::string> out = Lines(result.out);
  auto next = out.begin();
  for (const std::string& wanted : test.outLines) {
    const auto found = std::find(next, out.end(), Expand(wanted));
    EXPECT_NE(found, out.end()) << "not on standard output (in this order): " << Expand(wanted)
                                << "\n"
                                << result.out;
    if (found != out.end()) next = found + 1;
  }
  for (const std::string& unwanted : test.absentStarts) {
    const std::string start = Expand(unwanted);
    for (const std::string& line : out)
      EXPECT_NE(line.rfind(start, 0), 0u) << "on standard output: " << line;
  }
  if (test.outLines.empty()) {
    EXPECT_EQ(result.out, "");
  }

  std::vector<std::string> err = Lines(result.err);
  std::vector<std::string> expectedErr;
  for (const std::string& line : test.errLines)
    expectedErr.push_back(Expand(line));
  if (test.errPrefixOnly && err.size() > expectedErr.size()) err.resize(expectedErr.size());
  EXPECT_EQ(err, expectedErr);
  if (test.errLines.empty()) {
    EXPECT_EQ(result.err, "");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DumpCommandTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<DumpCase>& info) {
                           return std::string(info.param.name);
                         });

// Everything after the failing element is dropped, and nothing of the appended value is shown.
TEST(DumpCommandListing, FailedFileListsExactlyTheGoodPart) {
  TempDir dir;
  const DataSet dataSet = GoodDataSet("Doe^John");
  const std::string good = dir.File("good.dcm");
  {
    DicomFile file("1.2.840.10008.5.1.4.1.1.7", "1.2.3.4", ExplicitLittleEndian);
    file.open(good, std::ios::out | std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(file.Write(dataSet));
  }
  const std::string bad = dir.File("bad.dcm");
  interop::WriteFile(bad, interop::ReadFile(good) + LongHeader(kPixelDataTag, "OB", 40'000'001) +
                              std::string(64, 'x') + ShortHeader(0x7FE10010, "LO", 4) + "ABCD");
  const CommandResult goodRun = interop::Run({DICOMNET_BIN, "dump", good});
  const CommandResult badRun = interop::Run({DICOMNET_BIN, "dump", bad});
  ASSERT_EQ(goodRun.status, 0);
  EXPECT_EQ(badRun.status, 1);
  EXPECT_EQ(badRun.out, goodRun.out);
  // The meta group plus the data set's elements, sequences and items shown with their contents.
  EXPECT_EQ(Lines(goodRun.out).size(), 6 + dataSet.CountElements(true));
}

}  // namespace
