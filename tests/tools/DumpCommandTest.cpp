// `dicomnet dump` run as a user runs it: listings, messages, exit statuses.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "tools/ToolTests.h"

namespace {

using namespace dicom;
using namespace testing_support;

// An explicit VR little endian element header; without a VR, an item or delimiter.
std::string Head(Tag tag, std::string_view vr, std::uint32_t length) {
  const bool longForm = vr.empty() || vr == "OB" || vr == "SQ";
  const std::vector<std::uint8_t> bytes =
      FromHex(LeHex(TagGroup(tag), 2) + LeHex(TagElement(tag), 2) + AsciiHex(vr) +
              (longForm ? LeHex(0, vr.empty() ? 0 : 2) + LeHex(length, 4) : LeHex(length, 2)));
  return {bytes.begin(), bytes.end()};
}

void WriteGood(const std::string& path) {
  DataSet ds;
  DataSet series;
  series.InsertText(0x0020000E, vr::UI, "1.2.3");
  ds.InsertSequence(0x00081115, {std::make_shared<const DataSet>(std::move(series))});
  ds.InsertText(0x00090010, vr::LO, "KORAL");
  ds.InsertText(0x00100010, vr::PN, "Doe^John");
  ds.InsertSS(0x00189219, -1234);
  ds.InsertUS(0x00280010, 64);
  ds.InsertText(0x00282000, vr::OB, "\x01\x80\xff\x7e");
  DicomFile file("1.2.840.10008.5.1.4.1.1.7", "1.2.3.4", ExplicitLittleEndian);
  file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
  file.Write(ds);
}

const std::vector<std::string> kGood = {
    "(0002,0001),OB,2,FileMetaInformationVersion\t00 01 ",
    "(0002,0002),UI,26,MediaStorageSOPClassUID\t\"1.2.840.10008.5.1.4.1.1.7\"",
    "(0002,0003),UI,8,MediaStorageSOPInstanceUID\t\"1.2.3.4\"",
    "(0002,0010),UI,20,TransferSyntaxUID\t\"1.2.840.10008.1.2.1\"",
    "(0002,0012),UI,18,ImplementationClassUID\t\"1.2.40.0.12.0.9905\"",
    "(0002,0013),SH,12,ImplementationVersionName\t\"KORAL9905pc \"",
    "(0008,1115),SQ,-1,ReferencedSeriesSequence\t(null)",
    "<(0020,000e),UI,6,SeriesInstanceUID\t\"1.2.3\"",
    "(0009,0010),LO,6,?????????????\t\"KORAL \"",
    "(0010,0010),PN,8,Patient\x92sName\t\"Doe^John\"",
    "(0018,9219),SS,2,TagAngleSecondAxis\t-1234 ",
    "(0028,0010),US,2,Rows\t0040 ",
    "(0028,2000),OB,4,ICCProfile\t01 80 ff 7e ",
};

struct Case {
  std::string name;
  std::vector<std::string> args;  // "@x" stands for the file x in the test's directory
  int status;
  std::vector<std::string> out;
  std::string err;  // only its start for usage errors, which go on with the usage
};

const std::string kNotDicom = ": not a DICOM file\n";
const std::string kFailed = ": decoding failed at (FFFE,E00D) after 6 elements: ";

// A value or sequence that fails leaves exactly the good elements before it listed.
const Case kCases[] = {
    {"GoodFile", {"dump", "@good.dcm"}, 0, kGood, ""},
    {"MissingAmongOthers",
     {"dump", "@good.dcm", "@missing.dcm", "@other.dcm"},
     1,
     Args{"# @good.dcm"} + kGood + Args{"# @other.dcm"} + kGood,
     "dicomnet dump: @missing.dcm: cannot open it: No such file or directory\n"},
    {"NotDicom",
     {"dump", "@empty.bin", "@magic.dcm"},
     1,
     {},
     "dicomnet dump: @empty.bin" + kNotDicom + "dicomnet dump: @magic.dcm" + kNotDicom},
    {"ValueLongerThanTheFile",
     {"dump", "@too_long.dcm"},
     1,
     kGood,
     "dicomnet dump: @too_long.dcm: the file ends inside (7FE0,0010) after 6 elements\n"},
    {"Fragments",
     {"dump", "@fragments.dcm"},
     0,
     kGood + Args{"(7fe0,0010),OB,-1,PixelDataOW\t(null)",
                  "<(fffe,e000),UL,8,BasicOffsetTable\t00000000 0000000c ",
                  "<(fffe,e000),OB,4,PixelDataFragment\t61 62 63 64 ",
                  "<(fffe,e000),OB,2,PixelDataFragment\t65 66 "},
     ""},
    {"ItemDelimiterWithLengthInSequence",
     {"dump", "@bad_item.dcm"},
     1,
     kGood,
     "dicomnet dump: @bad_item.dcm" + kFailed + "a delimitation item with a non-zero length\n"},
    {"UnknownCommand",
     {"frobnicate", "@good.dcm"},
     2,
     {},
     "dicomnet: unknown command 'frobnicate'\nusage: dicomnet COMMAND [ARGS...] | --help | "
     "--version\n"},
};

TEST(DumpCommandTest, Runs) {
  const TempDir dir;
  WriteGood(dir.File("good.dcm"));
  WriteGood(dir.File("other.dcm"));
  WriteFile(dir.File("empty.bin"), "");
  WriteFile(dir.File("magic.dcm"), std::string(128, '\0') + "DICM");
  const std::string good = ReadFile(dir.File("good.dcm"));
  WriteFile(dir.File("too_long.dcm"), good + Head(kPixelDataTag, "OB", 40'000'001) +
                                          std::string(64, 'x') + Head(0x7FE10010, "LO", 4) +
                                          "ABCD");
  const std::string fragments =
      good + Head(kPixelDataTag, "OB", kUndefinedLength) + Head(kItemTag, "", 8) +
      std::string(4, '\0') + "\x0c" + std::string(3, '\0') + Head(kItemTag, "", 4) + "abcd" +
      Head(kItemTag, "", 2) + "ef" + Head(kSequenceDelimitationTag, "", 0);
  WriteFile(dir.File("fragments.dcm"), fragments);
  WriteFile(dir.File("bad_item.dcm"),
            good + Head(0x00400275, "SQ", kUndefinedLength) + Head(kItemTag, "", kUndefinedLength) +
                Head(0x00400009, "SH", 4) + "SPS1" + Head(kItemDelimitationTag, "", 4) +
                std::string(4, '\0') + Head(kSequenceDelimitationTag, "", 0));
  const auto expand = [&](std::string text) {
    for (std::size_t at = 0; (at = text.find('@', at)) != std::string::npos;)
      text.replace(at, 1, dir.File(""));
    return text;
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Args argv = {DICOMNET_BIN}, out;
    for (const std::string& arg : c.args)
      argv.push_back(expand(arg));
    for (const std::string& line : c.out)
      out.push_back(expand(line));
    const CommandResult result = RunProgram(argv);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(Lines(result.out), out);
    const std::string err = expand(c.err);
    EXPECT_EQ(c.status == 2 ? result.err.substr(0, err.size()) : result.err, err);
  }
}

}  // namespace
