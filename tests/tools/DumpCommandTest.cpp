// `dicomnet dump` run as a user runs it: listings, messages, exit statuses. How each kind of value
// is listed is DataSetDumperTest's.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Programs.h"
#include "tools/ToolTests.h"

namespace {

using namespace dicom;
using namespace testing_support;

const std::vector<std::string> kGood = {
    "(0002,0001),OB,2,FileMetaInformationVersion\t00 01 ",
    "(0002,0002),UI,26,MediaStorageSOPClassUID\t\"1.2.840.10008.5.1.4.1.1.7\"",
    "(0002,0003),UI,8,MediaStorageSOPInstanceUID\t\"1.2.3.4\"",
    "(0002,0010),UI,20,TransferSyntaxUID\t\"1.2.840.10008.1.2.1\"",
    "(0002,0012),UI,18,ImplementationClassUID\t\"1.2.40.0.12.0.9905\"",
    "(0002,0013),SH,12,ImplementationVersionName\t\"KORAL9905pc \"",
    "(0008,0016),UI,26,SOPClassUID\t\"1.2.840.10008.5.1.4.1.1.7\"",
    "(0008,0018),UI,8,SOPInstanceUID\t\"1.2.3.4\"",
    "(0010,0010),PN,8,Patient\x92sName\t\"Doe^John\"",
};

struct Case {
  std::string name;
  std::vector<std::string> args;  // "@x" stands for the file x in the test's directory
  int status;
  std::vector<std::string> out;
  std::string err;  // only its start for usage errors, which go on with the usage
};

const std::string kNotDicom = ": not a DICOM file\n";

// Truncated and malformed files: DicomFileTest at the reader, CompressedInteropTest's decompress
// for the command's message.
const Case kCases[] = {
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
    {"UnknownCommand",
     {"frobnicate", "@good.dcm"},
     2,
     {},
     "dicomnet: unknown command 'frobnicate'\nusage: dicomnet COMMAND [ARGS...] | --help | "
     "--version\n"},
};

TEST(DumpCommandTest, Runs) {
  const TempDir dir;
  for (const char* name : {"good.dcm", "other.dcm"})
    ASSERT_TRUE(WriteObject(dir.File(name), "1.2.840.10008.5.1.4.1.1.7", "1.2.3.4",
                            ExplicitLittleEndian, {{0x00100010, vr::PN, "Doe^John"}}));
  WriteFile(dir.File("empty.bin"), "");
  WriteFile(dir.File("magic.dcm"), std::string(128, '\0') + "DICM");
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
