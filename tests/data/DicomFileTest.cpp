#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "data/CodecStatus.h"
#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "data/FileMetaHeader.h"
#include "data/TransferSyntax.h"
#include "support/Hex.h"

namespace dicom {
namespace {

// File bytes from a hex fixture, and back, for comparing whole files in one notation.
std::string Hex(std::string_view digits) {
  const std::vector<std::uint8_t> bytes = testing_support::FromHex(digits);
  return std::string(bytes.begin(), bytes.end());
}
std::string ToHex(std::string_view bytes) {
  return testing_support::ToHex(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

std::string Preamble() {
  return std::string(128, '\0') + "DICM";
}

// The meta group FileMetaHeader builds for the identifiers below and explicit little-endian.
constexpr std::string_view kSopClassUid = "1.2.840.10008.5.1.4.1.1.7";
constexpr std::string_view kSopInstanceUid = "1.2.3.4.5.6.7.8.9.10";
constexpr std::string_view kFullMeta =
    "02 00 00 00 55 4C 04 00 96 00 00 00"  // (0002,0000) UL 4: 150
    "02 00 01 00 4F 42 00 00 02 00 00 00"  // (0002,0001) OB, reserved, length 2
    "00 01"                                // version 0x00 0x01
    "02 00 02 00 55 49 1A 00"              // (0002,0002) UI 26
    "31 2E 32 2E 38 34 30 2E 31 30 30 30 38 2E 35 2E 31 2E 34 2E 31 2E 31 2E 37 00"
    //                                        "1.2.840.10008.5.1.4.1.1.7" + NUL
    "02 00 03 00 55 49 14 00"                                      // (0002,0003) UI 20
    "31 2E 32 2E 33 2E 34 2E 35 2E 36 2E 37 2E 38 2E 39 2E 31 30"  // "1.2.3.4.5.6.7.8.9.10"
    "02 00 10 00 55 49 14 00"                                      // (0002,0010) UI 20
    "31 2E 32 2E 38 34 30 2E 31 30 30 30 38 2E 31 2E 32 2E 31 00"  // "1.2.840.10008.1.2.1" + NUL
    "02 00 12 00 55 49 12 00"                                      // (0002,0012) UI 18
    "31 2E 32 2E 34 30 2E 30 2E 31 32 2E 30 2E 39 39 30 35"        // "1.2.40.0.12.0.9905"
    "02 00 13 00 53 48 0C 00"                                      // (0002,0013) SH 12
    "4B 4F 52 41 4C 39 39 30 35 70 63 20";                         // "KORAL9905pc "

constexpr std::string_view kBigEndianMeta =
    "02 00 00 00 55 4C 04 00 1C 00 00 00"                           // (0002,0000) UL 4: 28
    "02 00 10 00 55 49 14 00"                                       // (0002,0010) UI 20
    "31 2E 32 2E 38 34 30 2E 31 30 30 30 38 2E 31 2E 32 2E 32 00";  // "1.2.840.10008.1.2.2" + NUL

constexpr std::string_view kUnknownSyntaxMeta =
    "02 00 00 00 55 4C 04 00 1E 00 00 00"                                 // (0002,0000) UL 4: 30
    "02 00 10 00 55 49 16 00"                                             // (0002,0010) UI 22
    "31 2E 32 2E 38 34 30 2E 31 30 30 30 38 2E 31 2E 32 2E 34 2E 35 30";  // "1.2.840.10008.1.2.4.50"

// Explicit little-endian elements that the body tables below build on.
constexpr std::string_view kExplicitHead =
    "08 00 16 00 55 49 06 00 31 2E 32 2E 33 00"         // (0008,0016) UI 6 "1.2.3" + NUL
    "10 00 10 00 50 4E 08 00 44 6F 65 5E 4A 6F 68 6E";  // (0010,0010) PN 8 "Doe^John"
constexpr std::string_view kExplicitUs = "28 00 10 00 55 53 02 00 00 02";  // (0028,0010) US 2: 512

// Implicit little-endian data set of 138 bytes; bytes 128..131 are not "DICM".
constexpr std::string_view kImplicitBody =
    "08 00 16 00 1A 00 00 00"  // (0008,0016) length 26
    "31 2E 32 2E 38 34 30 2E 31 30 30 30 38 2E 35 2E 31 2E 34 2E 31 2E 31 2E 37 00"
    //                            "1.2.840.10008.5.1.4.1.1.7" + NUL
    "08 00 18 00 14 00 00 00"                                      // (0008,0018) length 20
    "31 2E 32 2E 33 2E 34 2E 35 2E 36 2E 37 2E 38 2E 39 2E 31 30"  // "1.2.3.4.5.6.7.8.9.10"
    "10 00 10 00 08 00 00 00 44 6F 65 5E 4A 6F 68 6E"  // (0010,0010) length 8 "Doe^John"
    "10 00 20 00 04 00 00 00 49 44 31 32"              // (0010,0020) length 4 "ID12"
    "20 00 0D 00 14 00 00 00"                          // (0020,000D) length 20
    "31 2E 32 2E 33 2E 34 2E 35 2E 36 2E 37 2E 38 2E 39 2E 31 30"  // "1.2.3.4.5.6.7.8.9.10"
    "28 00 10 00 02 00 00 00 00 02"                                // (0028,0010) length 2: 512
    "28 00 11 00 02 00 00 00 00 01";                               // (0028,0011) length 2: 256
const std::vector<Tag> kImplicitBodyTags = {0x00080016, 0x00080018, 0x00100010, 0x00100020,
                                            0x0020000D, 0x00280010, 0x00280011};

std::vector<Tag> TagsOf(const DataSet& dataSet) {
  std::vector<Tag> tags;
  for (const auto& [tag, value] : dataSet)
    tags.push_back(tag);
  return tags;
}

std::string TagText(Tag tag) {
  char text[16];
  std::snprintf(text, sizeof text, "(%.4X,%.4X)", TagGroup(tag), TagElement(tag));
  return text;
}

// Same tags, VRs and bytes, and the same items at every depth. The length a reader gives a
// sequence is not compared: it reports every sequence as of undefined length.
testing::AssertionResult SameDataSet(const DataSet& expected, const DataSet& actual,
                                     const std::string& path = "") {
  if (TagsOf(expected) != TagsOf(actual)) {
    auto result = testing::AssertionFailure() << path << " tags differ: expected";
    for (Tag tag : TagsOf(expected))
      result << ' ' << TagText(tag);
    result << ", got";
    for (Tag tag : TagsOf(actual))
      result << ' ' << TagText(tag);
    return result;
  }
  for (const auto& [tag, want] : expected) {
    const std::string where = path + TagText(tag);
    const ValuePtr got = actual.GetValue(tag);
    if (got->Vr() != want->Vr()) return testing::AssertionFailure() << where << " VR differs";
    if (const Sequence* items = want->Items()) {
      if (got->Items() == nullptr || got->Items()->size() != items->size()) {
        return testing::AssertionFailure() << where << " items differ";
      }
      for (std::size_t i = 0; i < items->size(); ++i) {
        auto result =
            SameDataSet(*(*items)[i], *(*got->Items())[i], where + "[" + std::to_string(i) + "]");
        if (!result) return result;
      }
      continue;
    }
    if (got->Items() != nullptr) return testing::AssertionFailure() << where << " is a sequence";
    if (got->Length() != want->Length()) {
      return testing::AssertionFailure()
             << where << " length " << got->Length() << ", expected " << want->Length();
    }
    if (want->Length() > 0 && std::memcmp(got->Data(), want->Data(), want->Length()) != 0) {
      return testing::AssertionFailure() << where << " bytes differ";
    }
  }
  return testing::AssertionSuccess();
}

void InsertBytes(DataSet& dataSet, Tag tag, VrCode vr, std::string_view bytes) {
  auto data = std::make_unique<std::uint8_t[]>(bytes.size());
  std::memcpy(data.get(), bytes.data(), bytes.size());
  dataSet.InsertRaw(tag, vr, static_cast<std::uint32_t>(bytes.size()), std::move(data));
}

ItemPtr ReferenceItem(std::string_view classUid, std::string_view instanceUid) {
  auto item = std::make_shared<DataSet>();
  item->InsertText(0x00081150, vr::UI, classUid);
  item->InsertText(0x00081155, vr::UI, instanceUid);
  return item;
}

// Every tag carries its dictionary VR, so that implicit VR reads it back the same.
DataSet RichDataSet() {
  auto middle = std::make_shared<DataSet>();
  middle->InsertText(0x00081150, vr::UI, "9.8");
  middle->InsertSequence(0x0008114A,
                         {ReferenceItem("1.2.3", "1.2.3.4"), std::make_shared<const DataSet>()});
  DataSet dataSet;
  dataSet.InsertText(0x00080016, vr::UI, kSopClassUid);
  dataSet.InsertText(0x00080052, vr::CS, "IMAGE");
  dataSet.InsertSequence(0x00081115, {middle, ReferenceItem("5.6", "7.8")});
  dataSet.InsertSequence(0x00081140, {});
  dataSet.InsertUL(0x00081161, 0x01020304);
  dataSet.InsertFD(0x00081163, 1.5);
  dataSet.InsertText(0x00100010, vr::PN, "Doe^John");
  dataSet.InsertEmpty(0x00100020, vr::LO);
  dataSet.InsertFL(0x00181320, -2.0f);
  dataSet.InsertSL(0x00186020, -2);
  dataSet.InsertSS(0x00189219, -3);
  dataSet.InsertText(0x00204000, vr::LT, "odd");
  InsertBytes(dataSet, 0x00209165, vr::AT, Hex("10 00 10 00 10 00 20 00"));
  dataSet.InsertUS(0x00280010, 512);
  InsertBytes(dataSet, 0x00281201, vr::OW, Hex("02 01 04 03"));
  InsertBytes(dataSet, 0x00282000, vr::OB, Hex("01 02 03 04"));
  return dataSet;
}

// Sequences nested `depth` deep, the innermost item holding one US.
DataSet Nested(int depth) {
  auto item = std::make_shared<DataSet>();
  item->InsertUS(0x00280010, 512);
  for (int i = 1; i < depth; ++i) {
    auto outer = std::make_shared<DataSet>();
    outer->InsertSequence(0x00081115, {item});
    item = outer;
  }
  DataSet dataSet;
  dataSet.InsertSequence(0x00081115, {item});
  return dataSet;
}

int Depth(const DataSet& dataSet) {
  const Sequence* items = dataSet.GetSequence(0x00081115);
  if (items == nullptr || items->empty()) return 0;
  return 1 + Depth(*items->front());
}

class DicomFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dicomfile_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  std::string Store(const std::string& name, const std::string& bytes) const {
    const std::string path = PathOf(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good());
    return path;
  }

  static std::string Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Writes the data set with the identifiers of kFullMeta.
  bool WriteFile(const std::string& path, TransferSyntax syntax, const DataSet& dataSet) const {
    DicomFile file(kSopClassUid, kSopInstanceUid, syntax);
    file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
    EXPECT_TRUE(file.is_open());
    const bool written = file.Write(dataSet);
    file.close();
    return written;
  }

  static bool ReadFile(const std::string& path, DicomFile& file, DataSet& dataSet) {
    file.open(path, std::ios::in | std::ios::binary);
    EXPECT_TRUE(file.is_open());
    return file.Read(dataSet);
  }

  std::filesystem::path dir_;
};

TEST_F(DicomFileTest, WrittenHeaderBytes) {
  const std::string path = PathOf("header.dcm");
  ASSERT_TRUE(WriteFile(path, ExplicitLittleEndian, DataSet()));
  const std::string bytes = Load(path);

  ASSERT_EQ(bytes.size(), 132u + 12u + 150u);
  EXPECT_EQ(bytes.substr(0, 128), std::string(128, '\0'));
  EXPECT_EQ(bytes.substr(128, 4), "DICM");
  EXPECT_EQ(ToHex(bytes.substr(132, 12)),
            ToHex(Hex("02 00 00 00 55 4C 04 00 96 00 00 00")));  // (0002,0000) UL 4: 150
  EXPECT_EQ(ToHex(bytes.substr(132)), ToHex(Hex(kFullMeta)));
}

struct HeaderRewriteCase {
  const char* name;
  std::string file;
};

TEST_F(DicomFileTest, HeaderReadBackWritesTheSameBytes) {
  const HeaderRewriteCase cases[] = {
      {"as written here", Preamble() + Hex(kFullMeta)},
      {"own preamble",
       Hex("49 49 2A 00") + std::string(124, '\x55') + "DICM" + Hex(kBigEndianMeta)},
      {"UR element in the meta group",
       Preamble() +
           Hex("02 00 00 00 55 4C 04 00 3A 00 00 00"  // (0002,0000) UL 4: 58
               "02 00 10 00 55 49 14 00"              // (0002,0010) UI 20
               "31 2E 32 2E 38 34 30 2E 31 30 30 30 38 2E 31 2E 32 2E 31 00"  // explicit LE
               "02 00 26 00 55 52 00 00 12 00 00 00"  // (0002,0026) UR, reserved, length 18
               "64 69 63 6F 6D 3A 2F 2F 68 6F 73 74 3A 31 30 34 2F 20")},  // "dicom://host:104/ "
      {"UN element in the meta group",
       Preamble() +
           Hex("02 00 00 00 55 4C 04 00 2A 00 00 00"  // (0002,0000) UL 4: 42
               "02 00 10 00 55 49 14 00"              // (0002,0010) UI 20
               "31 2E 32 2E 38 34 30 2E 31 30 30 30 38 2E 31 2E 32 2E 31 00"  // explicit LE
               "02 00 99 00 55 4E 00 00 02 00 00 00"  // (0002,0099) UN, reserved, length 2
               "AB CD")},
  };
  for (const HeaderRewriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::stringstream in(c.file);
    FileMetaHeader header;
    ASSERT_TRUE(header.Read(in));
    std::stringstream out;
    ASSERT_TRUE(header.Write(out));
    EXPECT_EQ(ToHex(out.str()), ToHex(c.file));
  }
}

TEST_F(DicomFileTest, ExplicitLittleEndianFileDropsGroupLengths) {
  const std::string path = Store(
      "explicit.dcm",
      Preamble() + Hex(kFullMeta) +
          Hex("08 00 00 00 55 4C 04 00 22 00 00 00"              // (0008,0000) UL 4: 34
              "08 00 16 00 55 49 06 00 31 2E 32 2E 33 00"        // (0008,0016) UI 6 "1.2.3"
              "10 00 00 00 55 4C 04 00 10 00 00 00"              // (0010,0000) UL 4: 16
              "10 00 10 00 50 4E 08 00 44 6F 65 5E 4A 6F 68 6E"  // (0010,0010) PN 8 "Doe^John"
              "28 00 10 00 55 53 02 00 00 02"));                 // (0028,0010) US 2: 512
  DicomFile file;
  DataSet dataSet;
  ASSERT_TRUE(ReadFile(path, file, dataSet));
  EXPECT_TRUE(file.HasMetaHeader());
  EXPECT_EQ(file.Status(), CodecStatus::Good);
  EXPECT_EQ(file.Header().Syntax(), ExplicitLittleEndian);
  EXPECT_EQ(TagsOf(file.Header().Meta()), (std::vector<Tag>{0x00020001, 0x00020002, 0x00020003,
                                                            0x00020010, 0x00020012, 0x00020013}));
  EXPECT_EQ(file.Header().Meta().GetText(0x00020002, vr::UI), kSopClassUid);
  EXPECT_EQ(TagsOf(dataSet), (std::vector<Tag>{0x00080016, 0x00100010, 0x00280010}));
  EXPECT_EQ(dataSet.GetText(0x00080016, vr::UI), "1.2.3");
  EXPECT_EQ(dataSet.GetText(0x00100010, vr::PN), "Doe^John");
  EXPECT_EQ(dataSet.GetUS(0x00280010), 512);
}

TEST_F(DicomFileTest, BodyFollowsTheSyntaxTheMetaGroupNames) {
  {
    SCOPED_TRACE("big-endian");
    const std::string path =
        Store("big.dcm",
              Preamble() + Hex(kBigEndianMeta) +
                  Hex("00 28 00 10 55 53 00 04 02 00 00 03"           // (0028,0010) US 4: 512, 3
                      "7F E0 00 10 4F 42 00 00 00 00 00 02 01 02"));  // (7FE0,0010) OB 2: 01 02
    DicomFile file;
    DataSet dataSet;
    ASSERT_TRUE(ReadFile(path, file, dataSet));
    EXPECT_TRUE(file.HasMetaHeader());
    EXPECT_EQ(file.Header().Syntax(), ExplicitBigEndian);
    EXPECT_EQ(dataSet.GetUS(0x00280010, 0), 512);
    EXPECT_EQ(dataSet.GetUS(0x00280010, 1), 3);
    ASSERT_NE(dataSet.GetValue(0x7FE00010), nullptr);
    EXPECT_EQ(dataSet.GetValue(0x7FE00010)->Length(), 2u);
    EXPECT_EQ(dataSet.GetData(0x7FE00010)[0], 0x01);  // bytes are not swapped
    EXPECT_EQ(dataSet.GetData(0x7FE00010)[1], 0x02);
  }
  {
    SCOPED_TRACE("unknown syntax UID reads as implicit little-endian");
    const std::string path = Store(
        "unknown.dcm", Preamble() + Hex(kUnknownSyntaxMeta) +
                           Hex("10 00 20 00 04 00 00 00 49 44 31 32"  // (0010,0020) length 4 "ID12"
                               "28 00 10 00 02 00 00 00 00 02"));     // (0028,0010) length 2: 512
    DicomFile file;
    DataSet dataSet;
    ASSERT_TRUE(ReadFile(path, file, dataSet));
    EXPECT_TRUE(file.HasMetaHeader());
    EXPECT_EQ(file.Header().Syntax(), UnknownTransferSyntax);
    EXPECT_EQ(TagsOf(dataSet), (std::vector<Tag>{0x00100020, 0x00280010}));
    EXPECT_EQ(dataSet.GetValue(0x00280010)->Vr(), vr::US);
    EXPECT_EQ(dataSet.GetUS(0x00280010), 512);
    EXPECT_EQ(dataSet.GetText(0x00100020, vr::LO), "ID12");
  }
}

TEST_F(DicomFileTest, BareImplicitDataSetReadsFromTheFirstByte) {
  const std::string path = Store("bare.dcm", Hex(kImplicitBody));
  DicomFile file;
  DataSet dataSet;
  ASSERT_TRUE(ReadFile(path, file, dataSet));
  EXPECT_FALSE(file.HasMetaHeader());
  EXPECT_EQ(TagsOf(dataSet), kImplicitBodyTags);
  EXPECT_EQ(dataSet.GetText(0x00080016, vr::UI), kSopClassUid);
  EXPECT_EQ(dataSet.GetUS(0x00280011), 256);
}

TEST_F(DicomFileTest, FileShorterThanAPreambleFails) {
  const std::string path = Store("short.dcm", Hex(kImplicitBody).substr(0, 100));
  DicomFile file;
  DataSet dataSet;
  dataSet.InsertUS(0x00280010, 1);
  EXPECT_FALSE(ReadFile(path, file, dataSet));
  EXPECT_FALSE(file.HasMetaHeader());
  EXPECT_TRUE(dataSet.Empty());
}

struct BadMetaCase {
  const char* name;
  std::string_view firstElement;
};

TEST_F(DicomFileTest, BadFirstMetaElementLeavesTheRestToImplicitVr) {
  const BadMetaCase cases[] = {
      {"not the group length", "02 00 01 00 4F 42 00 00 02 00 00 00 00 01"},  // (0002,0001) OB 2
      {"group length of 2 bytes", "02 00 00 00 55 4C 02 00 1C 00"},           // (0002,0000) UL 2
      {"group length as US", "02 00 00 00 55 53 04 00 1C 00 00 00"},          // (0002,0000) US 4
  };
  for (const BadMetaCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path =
        Store("badmeta.dcm", Preamble() + Hex(c.firstElement) +
                                 Hex("10 00 20 00 04 00 00 00 49 44 31 32"  // (0010,0020) "ID12"
                                     "28 00 10 00 02 00 00 00 00 02"));     // (0028,0010) 512
    DicomFile file;
    DataSet dataSet;
    EXPECT_TRUE(ReadFile(path, file, dataSet));
    EXPECT_FALSE(file.HasMetaHeader());
    EXPECT_EQ(TagsOf(dataSet), (std::vector<Tag>{0x00100020, 0x00280010}));
    EXPECT_EQ(dataSet.GetText(0x00100020, vr::LO), "ID12");
    EXPECT_EQ(dataSet.GetUS(0x00280010), 512);
  }
}

struct PartialCase {
  const char* name;
  std::string file;
  bool read;  // what Read answers
  std::vector<Tag> held;
  std::optional<CodecStatus> status;  // unset: any failure
};

TEST_F(DicomFileTest, PartialFilesKeepTheElementsBeforeTheFault) {
  const std::string explicitFile = Preamble() + Hex(kFullMeta) + Hex(kExplicitHead);
  const std::vector<Tag> head = {0x00080016, 0x00100010};
  const std::string us = Hex(kExplicitUs);
  const PartialCase cases[] = {
      // Cut short by the end of the file: true, the cut element left out.
      {"cut in the tag", explicitFile + Hex("10 00"), true, head, CodecStatus::ValueNotDelivered},
      {"cut in the header", explicitFile + Hex("10 00 20 00 4C 4F"),  // (0010,0020) LO, no length
       true, head, CodecStatus::ValueNotDelivered},
      {"cut in the value", explicitFile + Hex("10 00 20 00 4C 4F 08 00 49 44"),  // LO 8, 2 there
       true, head, CodecStatus::ValueNotDelivered},
      {"value longer than the file",
       explicitFile + Hex("E0 7F 10 00 4F 42 00 00 C0 17 53 02") +  // (7FE0,0010) OB 39,000,000
           std::string(100, '\0'),
       true, head, CodecStatus::ValueNotDelivered},
      {"implicit value longer than the file",
       Hex(kImplicitBody) + Hex("E0 7F 10 00 C0 17 53 02") +  // (7FE0,0010) length 39,000,000
           std::string(300 - 146, '\0'),
       true, kImplicitBodyTags, CodecStatus::ValueNotDelivered},
      {"cut inside a sequence item",
       explicitFile + Hex("40 00 75 02 53 51 00 00 FF FF FF FF"    // (0040,0275) SQ undefined
                          "FE FF 00 E0 FF FF FF FF"                // item, undefined length
                          "08 00 50 11 55 49 04 00 31 2E 32 00"),  // (0008,1150) UI "1.2"
       true, head, CodecStatus::ValueNotDelivered},

      // Decoding errors before the end: false.
      {"value above the maximum length",
       explicitFile + Hex("E0 7F 10 00 4F 42 00 00 01 5A 62 02") +  // (7FE0,0010) OB 40,000,001
           std::string(64, '\0') + us,
       false, head, CodecStatus::ValueTooLong},
      {"item delimiter with a length",
       explicitFile + Hex("FE FF 0D E0 04 00 00 00") + us,  // item delimitation, length 4
       false, head, CodecStatus::DelimiterWithLength},
      {"item delimiter with a length inside an item",
       explicitFile +
           Hex("40 00 75 02 53 51 00 00 FF FF FF FF"  // (0040,0275) SQ undefined
               "FE FF 00 E0 FF FF FF FF"              // item, undefined length
               "08 00 50 11 55 49 04 00 31 2E 32 00"  // (0008,1150) UI "1.2"
               "FE FF 0D E0 04 00 00 00"              // item delimitation, length 4
               "FE FF DD E0 00 00 00 00") +           // sequence delimitation
           us,
       false, head, CodecStatus::DelimiterWithLength},
      {"sequence delimiter with a length",
       explicitFile +
           Hex("40 00 75 02 53 51 00 00 FF FF FF FF"  // (0040,0275) SQ undefined
               "FE FF DD E0 02 00 00 00") +           // sequence delimitation, length 2
           us,
       false, head, CodecStatus::DelimiterWithLength},
      {"element in a sequence that is not an item",
       explicitFile +
           Hex("40 00 75 02 53 51 00 00 FF FF FF FF"     // (0040,0275) SQ undefined
               "08 00 50 11 55 49 04 00 31 2E 32 00") +  // (0008,1150) UI "1.2"
           us,
       false, head, CodecStatus::UnexpectedTagInSequence},
      {"item outside a sequence",
       explicitFile + Hex("FE FF 00 E0 00 00 00 00") + us,  // item, length 0
       false, head, CodecStatus::UnexpectedItem},
      {"sequence delimiter outside a sequence",
       explicitFile + Hex("FE FF DD E0 00 00 00 00") + us,  // sequence delimitation
       false, head, CodecStatus::UnexpectedSequenceDelimiter},
      {"item delimitation at the top ends the data set like trailing padding",
       explicitFile + Hex("FE FF 0D E0 00 00 00 00") + us,  // item delimitation, length 0
       true, head, CodecStatus::Good},
  };
  for (const PartialCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Store("partial.dcm", c.file);
    DicomFile file;
    DataSet dataSet;
    EXPECT_EQ(ReadFile(path, file, dataSet), c.read);
    EXPECT_EQ(TagsOf(dataSet), c.held);
    if (c.status) {
      EXPECT_EQ(file.Status(), *c.status) << Describe(file.Status());
    } else {
      EXPECT_NE(file.Status(), CodecStatus::Good);
    }
  }
}

struct NestingCase {
  int depth;
  TransferSyntax syntax;
  bool read;
};

TEST_F(DicomFileTest, NestingDepthLimit) {
  const NestingCase cases[] = {
      {64, ExplicitLittleEndian, true}, {65, ExplicitLittleEndian, false},
      {64, ImplicitLittleEndian, true}, {65, ImplicitLittleEndian, false},
      {64, ExplicitBigEndian, true},
  };
  for (const NestingCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << " deep, syntax " << c.syntax);
    const std::string path = PathOf("nested.dcm");
    ASSERT_TRUE(WriteFile(path, c.syntax, Nested(c.depth)));
    DicomFile file;
    DataSet dataSet;
    ASSERT_EQ(ReadFile(path, file, dataSet), c.read);
    if (c.read) {
      EXPECT_EQ(file.Status(), CodecStatus::Good);
      EXPECT_EQ(Depth(dataSet), c.depth);
      EXPECT_TRUE(SameDataSet(Nested(c.depth), dataSet));
    } else {
      EXPECT_EQ(file.Status(), CodecStatus::NestingTooDeep);
    }
  }
}

TEST_F(DicomFileTest, BigEndianWriteSwapsEachNumber) {
  DataSet dataSet;
  dataSet.InsertUL(0x00081161, 0x01020304);
  dataSet.InsertFD(0x00081163, 1.5);
  dataSet.InsertFL(0x00181320, -2.0f);
  dataSet.InsertSL(0x00186020, -2);
  dataSet.InsertSS(0x00189219, -3);
  InsertBytes(dataSet, 0x00209165, vr::AT, Hex("10 00 10 00 10 00 20 00"));
  dataSet.InsertUS(0x00280010, 512);
  InsertBytes(dataSet, 0x00281201, vr::OW, Hex("02 01 04 03"));
  InsertBytes(dataSet, 0x7FE00010, vr::OB, Hex("01 02 03 04"));

  const std::string path = PathOf("big.dcm");
  ASSERT_TRUE(WriteFile(path, ExplicitBigEndian, dataSet));
  const std::string bytes = Load(path);
  ASSERT_GE(bytes.size(), 294u);
  EXPECT_EQ(bytes.substr(132, 12), Hex("02 00 00 00 55 4C 04 00 96 00 00 00"));  // meta stays LE
  EXPECT_EQ(
      ToHex(bytes.substr(294)),
      ToHex(Hex("00 08 11 61 55 4C 00 04 01 02 03 04"              // (0008,1161) UL 0x01020304
                "00 08 11 63 46 44 00 08 3F F8 00 00 00 00 00 00"  // (0008,1163) FD 1.5
                "00 18 13 20 46 4C 00 04 C0 00 00 00"              // (0018,1320) FL -2
                "00 18 60 20 53 4C 00 04 FF FF FF FE"              // (0018,6020) SL -2
                "00 18 92 19 53 53 00 02 FF FD"                    // (0018,9219) SS -3
                "00 20 91 65 41 54 00 08"                          // (0020,9165) AT 8
                "00 10 00 10 00 10 00 20"                          // (0010,0010)(0010,0020)
                "00 28 00 10 55 53 00 02 02 00"                    // (0028,0010) US 512
                "00 28 12 01 4F 57 00 00 00 00 00 04 01 02 03 04"  // (0028,1201) OW 0x0102 0x0304
                "7F E0 00 10 4F 42 00 00 00 00 00 04 01 02 03 04")));  // (7FE0,0010) OB as is

  DicomFile file;
  DataSet read;
  ASSERT_TRUE(ReadFile(path, file, read));
  EXPECT_EQ(file.Header().Syntax(), ExplicitBigEndian);
  EXPECT_TRUE(SameDataSet(dataSet, read));
  EXPECT_EQ(read.GetUL(0x00081161), 0x01020304u);
  EXPECT_EQ(read.GetFD(0x00081163), 1.5);
  EXPECT_EQ(read.GetFL(0x00181320), -2.0f);
  EXPECT_EQ(read.GetSL(0x00186020), -2);
  EXPECT_EQ(read.GetSS(0x00189219), -3);
  EXPECT_EQ(read.GetUS(0x00209165, 1), 0x0010);
  EXPECT_EQ(read.GetUS(0x00209165, 3), 0x0020);
  EXPECT_EQ(read.GetUS(0x00280010), 512);
  EXPECT_EQ(read.GetUS(0x00281201, 1), 0x0304);
}

struct WriteLimitCase {
  const char* name;
  TransferSyntax syntax;
  std::function<void(DataSet&)> fill;
  bool written;
};

TEST_F(DicomFileTest, WriteRefusesValuesTheHeaderCannotCarry) {
  const auto raw = [](Tag tag, VrCode vr, std::size_t length) {
    return [=](DataSet& d) { InsertBytes(d, tag, vr, std::string(length, 'A')); };
  };
  const WriteLimitCase cases[] = {
      {"LO of 65534 bytes", ExplicitLittleEndian, raw(0x00100020, vr::LO, 65534), true},
      {"LO of 65535 bytes needs a pad byte", ExplicitLittleEndian, raw(0x00100020, vr::LO, 65535),
       false},
      {"LO of 65536 bytes", ExplicitLittleEndian, raw(0x00100020, vr::LO, 65536), false},
      {"LO of 65536 bytes, big-endian", ExplicitBigEndian, raw(0x00100020, vr::LO, 65536), false},
      {"LO text of 65535 characters, padded", ExplicitLittleEndian,
       [](DataSet& d) { d.InsertText(0x00100020, vr::LO, std::string(65535, 'A')); }, false},
      {"LO of 65536 bytes, implicit VR", ImplicitLittleEndian, raw(0x00100020, vr::LO, 65536),
       true},
      {"UT of 70000 bytes", ExplicitLittleEndian, raw(0x00181009, vr::UT, 70000), true},
      {"US of 3 bytes, big-endian", ExplicitBigEndian, raw(0x00280010, vr::US, 3), false},
      {"US of 3 bytes, little-endian", ExplicitLittleEndian, raw(0x00280010, vr::US, 3), true},
      {"OW of 3 bytes, big-endian", ExplicitBigEndian, raw(0x00281201, vr::OW, 3), false},
      {"UL of 6 bytes, big-endian", ExplicitBigEndian, raw(0x00081161, vr::UL, 6), false},
      {"OB of 3 bytes, big-endian", ExplicitBigEndian, raw(0x7FE00010, vr::OB, 3), true},
  };
  for (const WriteLimitCase& c : cases) {
    SCOPED_TRACE(c.name);
    DataSet dataSet;
    dataSet.InsertText(0x00080016, vr::UI, "1.2.3");  // 14 bytes in explicit VR
    c.fill(dataSet);
    const std::string path = PathOf("limit.dcm");
    EXPECT_EQ(WriteFile(path, c.syntax, dataSet), c.written);
    if (!c.written) {
      // Nothing of the refused element reaches the file.
      EXPECT_EQ(Load(path).size(), 294u + 14u);
      continue;
    }
    DicomFile file;
    DataSet read;
    ASSERT_TRUE(ReadFile(path, file, read));
    // An odd value goes out with one pad byte.
    for (const auto& [tag, value] : dataSet) {
      ASSERT_TRUE(read.Contains(tag));
      const ElementValue& back = *read.GetValue(tag);
      EXPECT_EQ(back.Length(), value->Length() + value->Length() % 2);
      EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(back.Data()), value->Length()),
                std::string_view(reinterpret_cast<const char*>(value->Data()), value->Length()));
    }
  }
}

TEST_F(DicomFileTest, RoundTripInEverySyntax) {
  const DataSet dataSet = RichDataSet();
  for (TransferSyntax syntax : {ImplicitLittleEndian, ExplicitLittleEndian, ExplicitBigEndian}) {
    SCOPED_TRACE(testing::Message() << "syntax " << syntax);
    const std::string path = PathOf("roundtrip.dcm");
    ASSERT_TRUE(WriteFile(path, syntax, dataSet));
    DicomFile file;
    DataSet read;
    ASSERT_TRUE(ReadFile(path, file, read));
    EXPECT_EQ(file.Status(), CodecStatus::Good);
    EXPECT_TRUE(file.HasMetaHeader());
    EXPECT_EQ(file.Header().Syntax(), syntax);
    EXPECT_EQ(file.Header().Meta().GetText(0x00020003, vr::UI), kSopInstanceUid);
    EXPECT_EQ(file.Header().Meta().GetText(0x00020010, vr::UI), TransferSyntaxUid(syntax));
    EXPECT_TRUE(SameDataSet(dataSet, read));
    EXPECT_EQ(read.CountElements(true), dataSet.CountElements(true));
  }
}

}  // namespace
}  // namespace dicom
