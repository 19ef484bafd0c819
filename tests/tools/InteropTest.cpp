// Files we write must read the same in dcmdump, and files DCMTK writes must read the same in our
// reader, in every transfer syntax. One data set in dcmdump's notation drives it all: dump2dcm
// makes DCMTK's file from it, and what we write of what we read must dump as it.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "data/TransferSyntax.h"
#include "support/Programs.h"

namespace {

using namespace dicom;
using namespace testing_support;

const std::string kSecondaryCapture = "1.2.840.10008.5.1.4.1.1.7";
const std::string kInstanceUid = "1.2.826.0.1.3680043.9.7433.1.17";  // odd length

// Nested sequences, odd-length texts, an empty value, and numbers whose bytes all differ, so that a
// missed or doubled swap shows. The pixel data follows, made by Dump().
constexpr std::string_view kValues = R"(
(0008,0016) UI [1.2.840.10008.5.1.4.1.1.7]
(0008,0018) UI [1.2.826.0.1.3680043.9.7433.1.17]
(0008,0070) LO [Koral Lab]
(0008,0090) PN []
(0008,1032) SQ (Sequence)
  (fffe,e000) na (Item)
    (0008,0100) SH [T-D1100]
    (0008,0104) LO [Head]
  (fffe,e00d) na (ItemDelimitationItem)
(fffe,e0dd) na (SequenceDelimitationItem)
(0008,1115) SQ (Sequence)
  (fffe,e000) na (Item)
    (0008,1140) SQ (Sequence)
      (fffe,e000) na (Item)
        (0008,1150) UI [1.2.840.10008.5.1.4.1.1.7]
        (0008,1155) UI [1.2.826.0.1.3680043.9.7433.1.2]
        (0008,1160) IS [7]
      (fffe,e00d) na (ItemDelimitationItem)
    (fffe,e0dd) na (SequenceDelimitationItem)
    (0020,000e) UI [1.2.826.0.1.3680043.9.7433.1]
  (fffe,e00d) na (ItemDelimitationItem)
(fffe,e0dd) na (SequenceDelimitationItem)
(0008,1161) UL 1\305419896\4294967295
(0008,1163) FD 0.5\-12345678000000\6.103515625e-05\1099511627776
(0010,0010) PN [Doe^John]
(0018,1310) US 64\4660\65534\1
(0018,2044) FL 1.5\-0.25\1024.125
(0018,6011) SQ (Sequence)
  (fffe,e000) na (Item)
    (0018,6012) US 43981
    (0018,6018) UL 16909060
    (0018,6020) SL -2147483648
    (0018,602c) FD -2.5
  (fffe,e00d) na (ItemDelimitationItem)
(fffe,e0dd) na (SequenceDelimitationItem)
(0018,9219) SS -1234
(0028,0009) AT (0018,1063)\(0018,1065)
(0028,0010) US 16
(0028,0011) US 16
(0028,0100) US 16
(0028,2000) OB 00\01\7f\80\fe\ff
(0040,a162) SL -1\2147483647\-123456789
)";

const std::string& Dump() {
  static const std::string dump = [] {
    std::string text = std::string(kValues.substr(1)) + "(7fe0,0010) OW ";
    char sample[8];
    for (unsigned i = 0; i < 16 * 16; ++i) {
      std::snprintf(sample, sizeof sample, i ? "\\%04x" : "%04x", (i * 40503u + 0x1234u) & 0xFFFF);
      text += sample;
    }
    return text + "\n";
  }();
  return dump;
}

// A dcmdump listing as our notation has it: no comments, no item details, no length remarks.
std::vector<std::string> Normalized(const std::string& listing) {
  std::vector<std::string> lines;
  for (std::string line : Lines(listing)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t vr = line.find('(') + 12;
    if (line.compare(vr, 2, "na") == 0 || line.compare(vr, 2, "SQ") == 0) {
      line.resize(vr + 2);
    } else {
      line.resize(line.substr(0, line.rfind(" #")).find_last_not_of(' ') + 1);
      if (line.ends_with("(no value available)")) line.replace(line.size() - 20, 20, "[]");
    }
    lines.push_back(line);
  }
  return lines;
}

struct Conversion {
  std::string name;
  std::vector<std::string> options;  // for dcmconv
  TransferSyntax syntax;
};

// -e: items and sequences of undefined length rather than explicit ones. -F: a bare data set,
// read as implicit VR little endian.
const Conversion kConversions[] = {
    {"explicit", {"+te"}, ExplicitLittleEndian},
    {"implicit", {"+ti"}, ImplicitLittleEndian},
    {"big", {"+tb"}, ExplicitBigEndian},
    {"explicit_undefined", {"+te", "-e"}, ExplicitLittleEndian},
    {"bare", {"+ti", "-F"}, ImplicitLittleEndian},
};

// dump2dcm makes a file of the dump, dcmconv one in each syntax from it; each must read back as
// the dumped values, which our file of what was read shows in dcmdump. Our meta group and each
// syntax's bytes are pinned by DicomFileTest and StreamCodecTest.
TEST(InteropTest, DcmtkFilesReadAndOurFilesDump) {
  const TempDir dir;
  const auto path = [&](const std::string& name) { return dir.File(name + ".dcm"); };
  WriteFile(dir.File("values.dump"), Dump());
  const CommandResult made =
      RunProgram({"dump2dcm", "+te", dir.File("values.dump"), path("dcmtk")});
  ASSERT_EQ(made.status, 0) << made.err;
  ASSERT_EQ(made.err, "");
  const std::vector<std::string> values = Normalized(Dump());
  for (const Conversion& conversion : kConversions) {
    SCOPED_TRACE(conversion.name);
    std::vector<std::string> argv = {"dcmconv", path("dcmtk"), path(conversion.name)};
    argv.insert(argv.begin() + 1, conversion.options.begin(), conversion.options.end());
    const CommandResult converted = RunProgram(argv);
    ASSERT_EQ(converted.status, 0) << converted.err;
    ASSERT_EQ(converted.err, "");

    DicomFile file;
    file.open(path(conversion.name), std::ios::in | std::ios::binary);
    DataSet dataSet;
    EXPECT_TRUE(file.Read(dataSet));
    EXPECT_EQ(file.Status(), CodecStatus::Good);
    const bool meta = conversion.name != "bare";
    EXPECT_EQ(file.HasMetaHeader(), meta);
    if (meta) {
      EXPECT_EQ(file.Header().Syntax(), conversion.syntax);
      EXPECT_EQ(file.Header().Meta().GetText(0x00020003, vr::UI), kInstanceUid);
    }
    DicomFile back(kSecondaryCapture, kInstanceUid, ExplicitLittleEndian);
    back.open(path("back"), std::ios::out | std::ios::binary | std::ios::trunc);
    EXPECT_TRUE(back.Write(dataSet));
    back.close();
    const CommandResult dumped = RunProgram({"dcmdump", "+L", "-Un", path("back")});
    EXPECT_EQ(dumped.err, "");
    std::vector<std::string> shown = Normalized(dumped.out);
    std::erase_if(shown, [](const std::string& line) { return line.starts_with("(0002,"); });
    EXPECT_EQ(shown, values);
  }
}

}  // namespace
