// Files that we write must be read by DCMTK and pydicom with the same values, and files that DCMTK
// writes must be read by us with the values it was given, in every transfer syntax we support.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "data/ElementValue.h"
#include "data/FileMetaHeader.h"
#include "data/Tag.h"
#include "data/TransferSyntax.h"
#include "data/VrCode.h"
#include "tools/Interop.h"

namespace {

using namespace dicom;
using interop::CommandResult;
using interop::Lines;
using interop::TempDir;

constexpr std::string_view kSecondaryCapture = "1.2.840.10008.5.1.4.1.1.7";

std::string Format(const char* format, auto... args) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

std::string TagText(Tag tag) {
  return Format("(%04x,%04x)", unsigned{TagGroup(tag)}, unsigned{TagElement(tag)});
}

std::string VrText(VrCode vr) {
  return {VrFirst(vr), VrSecond(vr)};
}

std::string SyntaxName(TransferSyntax syntax) {
  switch (syntax) {
    case ImplicitLittleEndian:
      return "ImplicitLittleEndian";
    case ExplicitLittleEndian:
      return "ExplicitLittleEndian";
    case ExplicitBigEndian:
      return "ExplicitBigEndian";
    default:
      return "Unknown";
  }
}

// The in-memory form holds numbers in little-endian order, as the host does.
template <typename T>
void InsertNumbers(DataSet& dataSet, Tag tag, VrCode vr, std::initializer_list<T> values) {
  auto data = std::make_unique<std::uint8_t[]>(values.size() * sizeof(T));
  std::size_t offset = 0;
  for (T value : values) {
    std::memcpy(data.get() + offset, &value, sizeof(T));
    offset += sizeof(T);
  }
  dataSet.InsertRaw(tag, vr, static_cast<std::uint32_t>(offset), std::move(data));
}

void InsertTags(DataSet& dataSet, Tag tag, std::initializer_list<Tag> values) {
  std::vector<std::uint16_t> words;
  for (Tag value : values) {
    words.push_back(TagGroup(value));
    words.push_back(TagElement(value));
  }
  auto data = std::make_unique<std::uint8_t[]>(words.size() * 2);
  std::memcpy(data.get(), words.data(), words.size() * 2);
  dataSet.InsertRaw(tag, vr::AT, static_cast<std::uint32_t>(words.size() * 2), std::move(data));
}

void InsertBytes(DataSet& dataSet, Tag tag, VrCode vr, std::vector<std::uint8_t> bytes) {
  auto data = std::make_unique<std::uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), data.get());
  dataSet.InsertRaw(tag, vr, static_cast<std::uint32_t>(bytes.size()), std::move(data));
}

ItemPtr Item(DataSet dataSet) {
  return std::make_shared<const DataSet>(std::move(dataSet));
}

// Words whose two bytes mostly differ, so that a missed or doubled swap shows.
std::uint16_t PixelValue(std::uint32_t i) {
  return static_cast<std::uint16_t>(i * 40503u + 0x1234u);
}

// ---------------------------------------------------------------------------------------------
// Written by us, read by DCMTK and pydicom.

constexpr std::string_view kOurInstanceUid = "1.2.826.0.1.3680043.9.7433.1.17";  // odd length
constexpr std::uint32_t kPixelRows = 64;
constexpr std::uint32_t kPixelColumns = 64;

DataSet OurDataSet() {
  DataSet ds;
  ds.InsertText(0x00080016, vr::UI, kSecondaryCapture);
  ds.InsertText(0x00080018, vr::UI, kOurInstanceUid);
  ds.InsertText(0x00080020, vr::DA, "20240131");
  ds.InsertText(0x00080060, vr::CS, "OT");
  ds.InsertText(0x00080070, vr::LO, "Koral Lab");  // odd: padded with a space
  ds.InsertEmpty(0x00080090, vr::PN);

  // A sequence with two items.
  DataSet head, abdomen;
  head.InsertText(0x00080100, vr::SH, "T-D1100");
  head.InsertText(0x00080102, vr::SH, "SRT");
  head.InsertText(0x00080104, vr::LO, "Head");
  abdomen.InsertText(0x00080100, vr::SH, "T-D4000");
  abdomen.InsertText(0x00080102, vr::SH, "SRT");
  abdomen.InsertText(0x00080104, vr::LO, "Abdomen");
  ds.InsertSequence(0x00081032, {Item(std::move(head)), Item(std::move(abdomen))});

  // A sequence whose item holds another sequence.
  DataSet image, series;
  image.InsertText(0x00081150, vr::UI, kSecondaryCapture);
  image.InsertText(0x00081155, vr::UI, "1.2.826.0.1.3680043.9.7433.1.2");
  series.InsertSequence(0x00081140, {Item(std::move(image))});
  series.InsertText(0x0020000E, vr::UI, "1.2.826.0.1.3680043.9.7433.1");
  ds.InsertSequence(0x00081115, {Item(std::move(series))});

  InsertNumbers<std::uint32_t>(ds, 0x00081161, vr::UL, {1, 0x12345678, 0xFFFFFFFF});
  InsertNumbers<double>(ds, 0x00081163, vr::FD, {0.5, -1234.5678e10});
  ds.InsertText(0x00100010, vr::PN, "Doe^John");
  ds.InsertText(0x00100020, vr::LO, "PID-4711");
  InsertNumbers<std::uint16_t>(ds, 0x00181310, vr::US, {64, 0x1234, 0xFFFE, 1});
  InsertNumbers<float>(ds, 0x00182044, vr::FL, {1.5f, -0.1f, 3.4e38f});

  // Numbers inside items must be swapped as well.
  DataSet region1, region2;
  region1.InsertUS(0x00186012, 1);
  region1.InsertUL(0x00186018, 0x01020304);
  region1.InsertSL(0x00186020, -5);
  region1.InsertFD(0x0018602C, 0.125);
  region2.InsertUS(0x00186012, 0xABCD);
  region2.InsertUL(0x00186018, 70000);
  region2.InsertSL(0x00186020, -2147483647 - 1);
  region2.InsertFD(0x0018602C, 1e-300);
  ds.InsertSequence(0x00186011, {Item(std::move(region1)), Item(std::move(region2))});

  ds.InsertSS(0x00189219, -1234);
  InsertNumbers<std::int16_t>(ds, 0x00189440, vr::SS, {-32768, 32767});
  ds.InsertUS(0x00280002, 1);
  ds.InsertText(0x00280004, vr::CS, "MONOCHROME2");
  InsertTags(ds, 0x00280009, {0x00181063, 0x00181065});
  ds.InsertUS(0x00280010, kPixelRows);
  ds.InsertUS(0x00280011, kPixelColumns);
  ds.InsertUS(0x00280100, 16);
  ds.InsertUS(0x00280101, 16);
  ds.InsertUS(0x00280102, 15);
  ds.InsertUS(0x00280103, 0);
  InsertBytes(ds, 0x00282000, vr::OB, {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF});
  InsertNumbers<std::int32_t>(ds, 0x0040A162, vr::SL, {-1, 0x7FFFFFFF, -123456789});
  ds.InsertText(0x00420011, vr::OB, "%PDF-");  // odd: the text constructor pads with NUL

  const std::uint32_t count = kPixelRows * kPixelColumns;
  auto pixels = std::make_unique<std::uint8_t[]>(count * 2);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint16_t value = PixelValue(i);
    std::memcpy(pixels.get() + 2 * i, &value, 2);
  }
  ds.InsertRaw(kPixelDataTag, vr::OW, count * 2, std::move(pixels));
  return ds;
}

// One line per element, as the pydicom script below prints it: path, VR, values joined by '\'.
// Built from the in-memory values through the accessors, not from any encoding.
void Canonical(const DataSet& dataSet, const std::string& prefix, std::vector<std::string>& out) {
  for (const auto& [tag, value] : dataSet) {
    const std::string path = prefix + TagText(tag);
    const VrCode vr = value->Vr();
    if (const Sequence* items = value->Items()) {
      out.push_back(path + " SQ " + std::to_string(items->size()));
      for (std::size_t i = 0; i < items->size(); ++i)
        Canonical(*(*items)[i], path + "[" + std::to_string(i) + "].", out);
      continue;
    }
    std::vector<std::string> values;
    const std::uint32_t length = value->Length();
    switch (vr) {
      case vr::OB: {
        std::string hex;
        for (std::uint32_t i = 0; i < length; ++i)
          hex += Format("%02x", unsigned{value->Data()[i]});
        values.push_back(hex);
        break;
      }
      case vr::OW:
        for (std::uint32_t i = 0; i < length / 2; ++i)
          values.push_back(Format("%04x", unsigned{value->GetUS(i)}));
        break;
      case vr::AT:
        for (std::uint32_t i = 0; i < length / 4; ++i) {
          values.push_back(
              Format("%04x%04x", unsigned{value->GetUS(2 * i)}, unsigned{value->GetUS(2 * i + 1)}));
        }
        break;
      case vr::US:
        for (std::uint32_t i = 0; i < length / 2; ++i)
          values.push_back(std::to_string(value->GetUS(i)));
        break;
      case vr::SS:
        for (std::uint32_t i = 0; i < length / 2; ++i)
          values.push_back(std::to_string(value->GetSS(i)));
        break;
      case vr::UL:
        for (std::uint32_t i = 0; i < length / 4; ++i)
          values.push_back(std::to_string(value->GetUL(i)));
        break;
      case vr::SL:
        for (std::uint32_t i = 0; i < length / 4; ++i)
          values.push_back(std::to_string(value->GetSL(i)));
        break;
      case vr::FL:
        for (std::uint32_t i = 0; i < length / 4; ++i)
          values.push_back(Format("%.17g", static_cast<double>(value->GetFL(i))));
        break;
      case vr::FD:
        for (std::uint32_t i = 0; i < length / 8; ++i)
          values.push_back(Format("%.17g", value->GetFD(i)));
        break;
      default:
        values.push_back(value->Text(vr));
        break;
    }
    std::string joined;
    for (std::size_t i = 0; i < values.size(); ++i)
      joined += (i ? "\\" : "") + values[i];
    out.push_back(path + " " + VrText(vr) + " " + joined);
  }
}

// Prints the meta group and the data set as Canonical does, then the real size of the meta group
// counted from the bytes, to check the group length that we wrote.
constexpr std::string_view kPydicomScript = R"PY(
import struct, sys
import pydicom
from pydicom.multival import MultiValue

def vr_of(elem):
    # An enum member for VRs that pydicom resolved itself; its text would carry the class name.
    return getattr(elem.VR, 'value', elem.VR)

def values(elem, little):
    vr, v = vr_of(elem), elem.value
    if vr == 'OB':
        return [bytes(v).hex()]
    if vr == 'OW':
        words = struct.unpack(('<' if little else '>') + 'H' * (len(v) // 2), v)
        return ['%04x' % w for w in words]
    if v is None:
        return []
    items = list(v) if isinstance(v, (MultiValue, list)) else [v]
    if vr == 'AT':
        return ['%08x' % int(x) for x in items]
    if vr in ('FL', 'FD'):
        return ['%.17g' % x for x in items]
    if vr in ('US', 'SS', 'UL', 'SL'):
        return ['%d' % x for x in items]
    text = '\\'.join(str(x) for x in items)
    return [text]

def walk(ds, prefix, little):
    for elem in ds:
        path = '%s(%04x,%04x)' % (prefix, elem.tag.group, elem.tag.element)
        if vr_of(elem) == 'SQ':
            print('%s SQ %d' % (path, len(elem.value)))
            for i, item in enumerate(elem.value):
                walk(item, '%s[%d].' % (path, i), little)
        else:
            print('%s %s %s' % (path, vr_of(elem), '\\'.join(values(elem, little))))

def meta_bytes(path):
    data = open(path, 'rb').read()
    pos = 132
    while struct.unpack_from('<H', data, pos)[0] == 2:
        if data[pos + 4:pos + 6] in (b'OB', b'OW', b'OF', b'SQ', b'UT', b'UN'):
            pos += 12 + struct.unpack_from('<I', data, pos + 8)[0]
        else:
            pos += 8 + struct.unpack_from('<H', data, pos + 6)[0]
    return pos - 132

ds = pydicom.dcmread(sys.argv[1])
walk(ds.file_meta, '', True)
print('--- data set')
walk(ds, '', ds.is_little_endian)
print('--- meta bytes %d' % meta_bytes(sys.argv[1]))
)PY";

// Pixel data makes lines of some 20000 characters: a difference is shown where it starts.
void ExpectSameLines(const std::vector<std::string>& actual,
                     const std::vector<std::string>& expected) {
  EXPECT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i) {
    if (actual[i] == expected[i]) continue;
    const auto differ =
        std::mismatch(actual[i].begin(), actual[i].end(), expected[i].begin(), expected[i].end());
    const std::size_t at = static_cast<std::size_t>(differ.first - actual[i].begin());
    const std::size_t from = at > 40 ? at - 40 : 0;
    ADD_FAILURE() << "line " << i << " differs at column " << at
                  << "\n  actual:   " << actual[i].substr(from, 100)
                  << "\n  expected: " << expected[i].substr(from, 100);
  }
}

class WrittenByUsTest : public testing::TestWithParam<TransferSyntax> {
 protected:
  void SetUp() override {
    path_ = dir_.File("ours.dcm");
    DicomFile file(kSecondaryCapture, kOurInstanceUid, GetParam());
    file.open(path_, std::ios::out | std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(file.is_open());
    ASSERT_TRUE(file.Write(dataSet_));
    file.close();
    ASSERT_FALSE(file.fail());
  }

  TempDir dir_;
  std::string path_;
  DataSet dataSet_ = OurDataSet();
};

// Starts of lines of DCMTK's listing, indentation removed: its own reading of some values, numbers
// in decimal, so that a wrong byte order shows.
constexpr const char* kDcmdumpLines[] = {
    "(0008,0018) UI [1.2.826.0.1.3680043.9.7433.1.17]",
    "(0008,0070) LO [Koral Lab]",
    "(0008,0090) PN (no value available)",
    "(0008,1032) SQ (Sequence with undefined length #=2)",
    "(0008,0104) LO [Abdomen]",
    "(0008,1155) UI [1.2.826.0.1.3680043.9.7433.1.2]",
    "(0008,1161) UL 1\\305419896\\4294967295 ",
    "(0008,1163) FD 0.5\\-12345678000000 ",
    "(0010,0010) PN [Doe^John]",
    "(0018,1310) US 64\\4660\\65534\\1 ",
    "(0018,6018) UL 16909060 ",
    "(0018,6020) SL -2147483648 ",
    "(0018,602c) FD 0.125 ",
    "(0018,9219) SS -1234 ",
    "(0018,9440) SS -32768\\32767 ",
    "(0028,0009) AT (0018,1063)\\(0018,1065) ",
    "(0028,2000) OB 00\\01\\7f\\80\\fe\\ff ",
    "(0040,a162) SL -1\\2147483647\\-123456789 ",
    "(0042,0011) OB 25\\50\\44\\46\\2d\\00 ",
    "(7fe0,0010) OW 1234\\b06b\\4ea2\\ecd9",
};

TEST_P(WrittenByUsTest, DcmdumpReadsItWithoutComplaint) {
  if (!interop::HaveProgram("dcmdump")) GTEST_SKIP() << "dcmdump is not installed";
  const CommandResult result = interop::Run({"dcmdump", path_});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  std::vector<std::string> lines = Lines(result.out);
  for (std::string& line : lines) {
    EXPECT_NE(line.rfind("W: ", 0), 0u) << line;
    EXPECT_NE(line.rfind("E: ", 0), 0u) << line;
    line.erase(0, line.find_first_not_of(' '));
  }
  EXPECT_EQ(result.out.find("Unknown Tag"), std::string::npos);
  for (const char* expected : kDcmdumpLines) {
    const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.rfind(expected, 0) == 0;
    });
    EXPECT_TRUE(found) << "no line starts with: " << expected << "\n" << result.out;
  }
  const std::string syntaxLine = "(0002,0010) UI =";
  const char* syntaxName = GetParam() == ImplicitLittleEndian   ? "LittleEndianImplicit"
                           : GetParam() == ExplicitLittleEndian ? "LittleEndianExplicit"
                                                                : "BigEndianExplicit";
  EXPECT_NE(result.out.find(syntaxLine + syntaxName), std::string::npos) << result.out;
}

TEST_P(WrittenByUsTest, PydicomReadsTheSameValues) {
  if (!interop::HavePydicom()) GTEST_SKIP() << "pydicom is not installed for the system python";
  const std::string script = dir_.File("canonical.py");
  interop::WriteFile(script, kPydicomScript);
  const CommandResult result = interop::Run({interop::kSystemPython, script, path_});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");

  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_FALSE(lines.empty());
  ASSERT_EQ(lines.back().rfind("--- meta bytes ", 0), 0u) << result.out;
  const auto dataStart = std::find(lines.begin(), lines.end(), "--- data set");
  ASSERT_NE(dataStart, lines.end()) << result.out;
  const std::vector<std::string> meta(lines.begin(), dataStart);
  const std::vector<std::string> data(dataStart + 1, lines.end() - 1);

  // The group length must count the meta bytes that follow it.
  const std::string metaBytes = lines.back().substr(lines.back().rfind(' ') + 1);
  ASSERT_FALSE(meta.empty());
  EXPECT_EQ(meta.front(), "(0002,0000) UL " + std::to_string(std::stoul(metaBytes) - 12));

  const std::vector<std::string> expectedMeta = {
      "(0002,0001) OB 0001",
      "(0002,0002) UI " + std::string(kSecondaryCapture),
      "(0002,0003) UI " + std::string(kOurInstanceUid),
      "(0002,0010) UI " + std::string(TransferSyntaxUid(GetParam())),
      "(0002,0012) UI " + std::string(FileMetaHeader::kImplementationClassUid),
      "(0002,0013) SH " + std::string(FileMetaHeader::kImplementationVersionName),
  };
  EXPECT_EQ(std::vector<std::string>(meta.begin() + 1, meta.end()), expectedMeta);

  std::vector<std::string> expected;
  Canonical(dataSet_, "", expected);
  ExpectSameLines(data, expected);

  // A few literal values, in case the canonical form and the script agree on a mistake.
  for (const char* literal : {
           "(0010,0010) PN Doe^John",
           "(0008,0070) LO Koral Lab",
           "(0018,1310) US 64\\4660\\65534\\1",
           "(0018,9440) SS -32768\\32767",
           "(0040,a162) SL -1\\2147483647\\-123456789",
           "(0008,1161) UL 1\\305419896\\4294967295",
           "(0018,6011)[1].(0018,6020) SL -2147483648",
           "(0018,6011)[0].(0018,602c) FD 0.125",
           "(0008,1115)[0].(0008,1140)[0].(0008,1155) UI 1.2.826.0.1.3680043.9.7433.1.2",
           "(0028,0009) AT 00181063\\00181065",
           "(0018,2044) FL 1.5\\-0.10000000149011612\\3.3999999521443642e+38",
           "(0042,0011) OB 255044462d00",
       }) {
    EXPECT_NE(std::find(data.begin(), data.end(), literal), data.end()) << literal;
  }
  const std::string pixelStart = "(7fe0,0010) OW 1234\\b06b\\4ea2\\ecd9\\";
  EXPECT_TRUE(std::any_of(data.begin(), data.end(), [&](const std::string& line) {
    return line.rfind(pixelStart, 0) == 0 && std::count(line.begin(), line.end(), '\\') == 4095;
  }));
}

INSTANTIATE_TEST_SUITE_P(AllSyntaxes, WrittenByUsTest,
                         testing::Values(ImplicitLittleEndian, ExplicitLittleEndian,
                                         ExplicitBigEndian),
                         [](const testing::TestParamInfo<TransferSyntax>& info) {
                           return SyntaxName(info.param);
                         });

// ---------------------------------------------------------------------------------------------
// Written by DCMTK, read by us.

struct Step {
  Tag sequence;
  std::size_t item;
};

// One value of the dump that dump2dcm turns into a file: where it sits, its VR and its value in
// the dump's notation. The rows are in the order of the dump; sequences and items are implied.
struct DumpRow {
  std::vector<Step> within;
  Tag tag;
  VrCode vr;
  std::string value;
};

std::string PixelDump(std::uint32_t count) {
  std::string text;
  for (std::uint32_t i = 0; i < count; ++i)
    text += Format(i ? "\\%04x" : "%04x", unsigned{PixelValue(i)});
  return text;
}

constexpr std::uint32_t kDumpPixels = 16 * 16;

const std::vector<DumpRow>& DumpRows() {
  static const std::vector<DumpRow> rows = {
      {{}, 0x00080016, vr::UI, std::string(kSecondaryCapture)},
      {{}, 0x00080018, vr::UI, "1.2.826.0.1.3680043.9.7433.2.1"},
      {{}, 0x00080020, vr::DA, "20231224"},
      {{}, 0x00080060, vr::CS, "OT"},
      {{}, 0x00080070, vr::LO, "Koral Lab"},
      {{{0x00081032, 0}}, 0x00080100, vr::SH, "T-D1100"},
      {{{0x00081032, 0}}, 0x00080104, vr::LO, "Head"},
      {{{0x00081032, 1}}, 0x00080100, vr::SH, "T-D4000"},
      {{{0x00081032, 1}}, 0x00080104, vr::LO, "Abdomen and pelvis"},
      {{{0x00081115, 0}, {0x00081140, 0}}, 0x00081150, vr::UI, std::string(kSecondaryCapture)},
      {{{0x00081115, 0}, {0x00081140, 0}}, 0x00081155, vr::UI, "1.2.826.0.1.3680043.9.7433.2.2"},
      {{{0x00081115, 0}, {0x00081140, 0}}, 0x00081160, vr::IS, "7"},
      {{{0x00081115, 0}}, 0x0020000E, vr::UI, "1.2.826.0.1.3680043.9.7433.2"},
      {{}, 0x00081161, vr::UL, "1\\305419896\\4294967295"},
      {{}, 0x00081163, vr::FD, "0.5\\-1234.5\\6.103515625e-05\\1099511627776"},
      {{}, 0x00100010, vr::PN, "Roe^Jane"},
      {{}, 0x00100020, vr::LO, "PID-0815"},
      {{}, 0x00181310, vr::US, "0\\4660\\65534\\256"},
      {{}, 0x00182044, vr::FL, "1.5\\-0.25\\3.0517578125e-05"},
      {{{0x00186011, 0}}, 0x00186012, vr::US, "1"},
      {{{0x00186011, 0}}, 0x00186018, vr::UL, "16909060"},
      {{{0x00186011, 0}}, 0x00186020, vr::SL, "-5"},
      {{{0x00186011, 0}}, 0x0018602C, vr::FD, "0.125"},
      {{{0x00186011, 1}}, 0x00186012, vr::US, "43981"},
      {{{0x00186011, 1}}, 0x00186018, vr::UL, "70000"},
      {{{0x00186011, 1}}, 0x00186020, vr::SL, "-2147483648"},
      {{{0x00186011, 1}}, 0x0018602C, vr::FD, "-2.5"},
      {{}, 0x00189219, vr::SS, "-1234"},
      {{}, 0x00189440, vr::SS, "-32768\\32767"},
      {{}, 0x00280002, vr::US, "1"},
      {{}, 0x00280004, vr::CS, "MONOCHROME2"},
      {{}, 0x00280009, vr::AT, "(0018,1063)\\(0018,1065)"},
      {{}, 0x00280010, vr::US, "16"},
      {{}, 0x00280011, vr::US, "16"},
      {{}, 0x00280100, vr::US, "16"},
      {{}, 0x00280101, vr::US, "16"},
      {{}, 0x00280102, vr::US, "15"},
      {{}, 0x00280103, vr::US, "0"},
      {{}, 0x00282000, vr::OB, "00\\01\\7f\\80\\fe\\ff"},
      {{}, 0x0040A162, vr::SL, "-1\\2147483647\\-123456789"},
      {{}, kPixelDataTag, vr::OW, PixelDump(kDumpPixels)},
  };
  return rows;
}

// The dump2dcm input for the rows: sequence and item lines opened and closed around them.
std::string DumpText(const std::vector<DumpRow>& rows) {
  std::ostringstream dump;
  std::vector<Step> open;
  auto closeTo = [&](std::size_t depth) {
    while (open.size() > depth) {
      open.pop_back();
      dump << "(fffe,e00d) na (ItemDelimitationItem)\n";
      dump << "(fffe,e0dd) na (SequenceDelimitationItem)\n";
    }
  };
  for (const DumpRow& row : rows) {
    std::size_t shared = 0;
    while (shared < open.size() && shared < row.within.size() &&
           open[shared].sequence == row.within[shared].sequence &&
           open[shared].item == row.within[shared].item) {
      ++shared;
    }
    // Another item of the same sequence closes only the item.
    const bool nextItem = shared < open.size() && shared < row.within.size() &&
                          open[shared].sequence == row.within[shared].sequence;
    closeTo(shared + (nextItem ? 1 : 0));
    if (nextItem) {
      open.pop_back();
      dump << "(fffe,e00d) na (ItemDelimitationItem)\n";
      dump << "(fffe,e000) na (Item)\n";
      open.push_back(row.within[shared]);
      ++shared;
    }
    for (std::size_t i = shared; i < row.within.size(); ++i) {
      dump << TagText(row.within[i].sequence) << " SQ (Sequence)\n";
      dump << "(fffe,e000) na (Item)\n";
      open.push_back(row.within[i]);
    }
    const bool binary = row.vr == vr::US || row.vr == vr::SS || row.vr == vr::UL ||
                        row.vr == vr::SL || row.vr == vr::FL || row.vr == vr::FD ||
                        row.vr == vr::AT || row.vr == vr::OB || row.vr == vr::OW;
    dump << TagText(row.tag) << ' ' << VrText(row.vr) << ' '
         << (binary ? row.value : "[" + row.value + "]") << '\n';
  }
  closeTo(0);
  return dump.str();
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\\', start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::string RowName(const DumpRow& row) {
  std::string path;
  for (const Step& step : row.within)
    path += TagText(step.sequence) + "[" + std::to_string(step.item) + "].";
  return path + TagText(row.tag) + " " + VrText(row.vr);
}

// Numbers are compared as numbers: a value read in the wrong byte order cannot pass.
void ExpectValue(const DumpRow& row, const ElementValue& value) {
  SCOPED_TRACE(RowName(row));
  EXPECT_EQ(VrText(value.Vr()), VrText(row.vr));
  const std::vector<std::string> parts = Split(row.value);
  const std::size_t count = parts.size();
  switch (row.vr) {
    case vr::US:
      ASSERT_EQ(value.Length(), count * 2);
      for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(value.GetUS(i), std::stoul(parts[i])) << i;
      break;
    case vr::SS:
      ASSERT_EQ(value.Length(), count * 2);
      for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(value.GetSS(i), std::stol(parts[i])) << i;
      break;
    case vr::UL:
      ASSERT_EQ(value.Length(), count * 4);
      for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(value.GetUL(i), std::stoul(parts[i])) << i;
      break;
    case vr::SL:
      ASSERT_EQ(value.Length(), count * 4);
      for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(value.GetSL(i), std::stol(parts[i])) << i;
      break;
    case vr::FL:
      ASSERT_EQ(value.Length(), count * 4);
      for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(value.GetFL(i), std::stof(parts[i])) << i;
      break;
    case vr::FD:
      ASSERT_EQ(value.Length(), count * 8);
      for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(value.GetFD(i), std::stod(parts[i])) << i;
      break;
    case vr::AT:
      ASSERT_EQ(value.Length(), count * 4);
      for (std::uint32_t i = 0; i < count; ++i) {
        unsigned group = 0, element = 0;
        ASSERT_EQ(std::sscanf(parts[i].c_str(), "(%4x,%4x)", &group, &element), 2) << parts[i];
        EXPECT_EQ(value.GetUS(2 * i), group) << i;
        EXPECT_EQ(value.GetUS(2 * i + 1), element) << i;
      }
      break;
    case vr::OB:
      ASSERT_EQ(value.Length(), count);
      for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(value.Data()[i], std::stoul(parts[i], nullptr, 16)) << i;
      break;
    case vr::OW:
      ASSERT_EQ(value.Length(), count * 2);
      for (std::uint32_t i = 0; i < count; ++i) {
        if (value.GetUS(i) != std::stoul(parts[i], nullptr, 16)) {
          ADD_FAILURE() << "word " << i << " is " << value.GetUS(i) << ", not 0x" << parts[i];
          break;
        }
      }
      break;
    default:
      EXPECT_EQ(value.Text(row.vr), row.value);
      break;
  }
}

struct Conversion {
  const char* name;
  std::vector<std::string> options;  // for dcmconv
  TransferSyntax syntax;
  bool metaHeader;
};

const std::vector<Conversion>& Conversions() {
  static const std::vector<Conversion> conversions = {
      {"explicit", {"+te"}, ExplicitLittleEndian, true},
      {"implicit", {"+ti"}, ImplicitLittleEndian, true},
      {"big", {"+tb"}, ExplicitBigEndian, true},
      // Items and sequences of undefined length instead of DCMTK's default explicit lengths.
      {"explicit_undefined", {"+te", "-e"}, ExplicitLittleEndian, true},
      {"implicit_undefined", {"+ti", "-e"}, ImplicitLittleEndian, true},
      {"big_undefined", {"+tb", "-e"}, ExplicitBigEndian, true},
      // A bare data set, which is read as implicit VR little endian.
      {"bare", {"+ti", "-F"}, ImplicitLittleEndian, false},
  };
  return conversions;
}

// dump2dcm makes one file from the rows, dcmconv makes one in each syntax from it.
class WrittenByDcmtkTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"dump2dcm", "dcmconv"}) {
      if (!interop::HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    const std::string dump = dir_.File("values.dump");
    interop::WriteFile(dump, DumpText(DumpRows()));
    const std::string source = dir_.File("dump2dcm.dcm");
    const CommandResult made = interop::Run({"dump2dcm", "+te", dump, source});
    ASSERT_EQ(made.status, 0) << made.err << "\n" << DumpText(DumpRows());
    ASSERT_EQ(made.err, "");
    for (const Conversion& conversion : Conversions()) {
      std::vector<std::string> argv = {"dcmconv"};
      argv.insert(argv.end(), conversion.options.begin(), conversion.options.end());
      argv.push_back(source);
      argv.push_back(File(conversion));
      const CommandResult converted = interop::Run(argv);
      ASSERT_EQ(converted.status, 0) << conversion.name << ": " << converted.err;
      ASSERT_EQ(converted.err, "") << conversion.name;
    }
  }

  std::string File(const Conversion& conversion) const {
    return dir_.File(std::string(conversion.name) + ".dcm");
  }

  TempDir dir_;
};

const ElementValue* Resolve(const DataSet& dataSet, const DumpRow& row) {
  const DataSet* at = &dataSet;
  for (const Step& step : row.within) {
    const Sequence* items = at->GetSequence(step.sequence);
    if (items == nullptr || step.item >= items->size()) return nullptr;
    at = (*items)[step.item].get();
  }
  const ValuePtr value = at->GetValue(row.tag);
  return value.get();
}

TEST_F(WrittenByDcmtkTest, EverySyntaxReadsBackTheDumpedValues) {
  const std::vector<DumpRow>& rows = DumpRows();
  // Each sequence element once, with its number of items.
  std::map<std::string, std::size_t> sequences;
  for (const DumpRow& row : rows) {
    std::string path;
    for (const Step& step : row.within) {
      const std::string key = path + TagText(step.sequence);
      sequences[key] = std::max(sequences[key], step.item + 1);
      path = key + "[" + std::to_string(step.item) + "].";
    }
  }

  for (const Conversion& conversion : Conversions()) {
    SCOPED_TRACE(conversion.name);
    DicomFile file;
    file.open(File(conversion), std::ios::in | std::ios::binary);
    ASSERT_TRUE(file.is_open());
    DataSet dataSet;
    EXPECT_TRUE(file.Read(dataSet));
    EXPECT_EQ(file.Status(), CodecStatus::Good);
    EXPECT_EQ(file.HasMetaHeader(), conversion.metaHeader);
    if (conversion.metaHeader) {
      EXPECT_EQ(file.Header().Syntax(), conversion.syntax);
      EXPECT_EQ(file.Header().Meta().GetText(0x00020010, vr::UI),
                TransferSyntaxUid(conversion.syntax));
      EXPECT_EQ(file.Header().Meta().GetText(0x00020003, vr::UI), rows[1].value);
    }
    EXPECT_EQ(dataSet.CountElements(true), rows.size() + sequences.size());
    for (const DumpRow& row : rows) {
      const ElementValue* value = Resolve(dataSet, row);
      if (value == nullptr) {
        ADD_FAILURE() << "missing " << RowName(row);
        continue;
      }
      ExpectValue(row, *value);
    }
    for (const auto& [path, count] : sequences) {
      // Top-level sequences only; nested ones are reached through Resolve above.
      if (path.find('[') != std::string::npos) continue;
      unsigned group = 0, element = 0;
      std::sscanf(path.c_str(), "(%4x,%4x)", &group, &element);
      const Sequence* items = dataSet.GetSequence(MakeTag(group, element));
      ASSERT_NE(items, nullptr) << path;
      EXPECT_EQ(items->size(), count) << path;
    }
  }
}

// The listing shows values, not encodings: only the transfer syntax line may differ.
TEST_F(WrittenByDcmtkTest, DicomnetListingIsTheSameInEverySyntax) {
  auto listing = [&](const Conversion& conversion) {
    const CommandResult result = interop::Run({DICOMNET_BIN, "dump", File(conversion)});
    EXPECT_EQ(result.status, 0) << conversion.name << ": " << result.err;
    EXPECT_EQ(result.err, "") << conversion.name;
    std::vector<std::string> lines;
    for (std::string& line : Lines(result.out)) {
      const bool metaLine = line.rfind("(0002,", 0) == 0;
      if (metaLine && (!conversion.metaHeader || line.rfind("(0002,0010)", 0) == 0)) continue;
      lines.push_back(std::move(line));
    }
    return lines;
  };
  const std::vector<Conversion>& conversions = Conversions();
  const std::vector<std::string> reference = listing(conversions.front());
  ASSERT_GT(reference.size(), 40u);
  const std::vector<std::string> referenceData(
      std::find_if(reference.begin(), reference.end(),
                   [](const std::string& line) { return line.rfind("(0002,", 0) != 0; }),
      reference.end());
  for (const Conversion& conversion : conversions) {
    SCOPED_TRACE(conversion.name);
    EXPECT_EQ(listing(conversion), conversion.metaHeader ? reference : referenceData);
  }
  // Spot checks that the reference itself holds the values, swapped the right way.
  for (const char* line : {
           "(0010,0010),PN,8,Patient\x92sName\t\"Roe^Jane\"",
           "(0018,1310),US,8,AcquisitionMatrix\t0000 1234 fffe 0100 ",
           "(0018,9440),SS,4,CenterofCircularExposureControlSensingRegion\t-32768 +32767 ",
           "(0028,0009),AT,8,FrameIncrementPointer\t(0018,1063)(0018,1065)",
           "(0008,1032),SQ,-1,ProcedureCodeSequence\t(null)",
           "<<(0008,1155),UI,30,ReferencedSOPInstanceUID\t\"1.2.826.0.1.3680043.9.7433.2.2\"",
       }) {
    EXPECT_NE(std::find(reference.begin(), reference.end(), line), reference.end()) << line;
  }
}

}  // namespace
