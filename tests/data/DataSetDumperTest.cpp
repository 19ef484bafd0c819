#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "data/DataSet.h"
#include "data/DataSetDumper.h"
#include "data/DumpFormat.h"

namespace dicom {
namespace {

std::string Dump(const DataSet& dataSet, const DumpFormat& format = DefaultDumpFormat) {
  std::ostringstream out;
  DataSetDumper(out, format).Dump(dataSet);
  return out.str();
}

// Raw little-endian bytes, as a reader would hold them.
void InsertBytes(DataSet& dataSet, Tag tag, VrCode vr, std::string_view bytes) {
  auto data = std::make_unique<std::uint8_t[]>(bytes.size());
  std::memcpy(data.get(), bytes.data(), bytes.size());
  dataSet.InsertRaw(tag, vr, static_cast<std::uint32_t>(bytes.size()), std::move(data));
}

std::string Repeat(std::string_view unit, int count) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out += unit;
  return out;
}

ItemPtr ReferenceItem(std::string_view classUid, std::string_view instanceUid) {
  auto item = std::make_shared<DataSet>();
  item->InsertText(0x00081150, vr::UI, classUid);
  item->InsertText(0x00081155, vr::UI, instanceUid);
  return item;
}

struct LineCase {
  const char* name;
  std::function<void(DataSet&)> fill;
  std::string line;
};

TEST(DataSetDumperTest, OneLinePerValueKind) {
  using namespace std::string_literals;
  const std::string bytes40 = [] {
    std::string bytes;
    for (int i = 0; i < 40; ++i)
      bytes += static_cast<char>(i);
    return bytes;
  }();
  std::string hex32;
  for (int i = 0; i < 32; ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%.2x ", i);
    hex32 += digits;
  }
  const std::string text70 = Repeat("0123456789", 7);

  const LineCase cases[] = {
      {"US", [](DataSet& d) { d.InsertUS(0x00280010, 512); }, "(0028,0010),US,2,Rows\t0200 \n"},
      {"SS", [](DataSet& d) { d.InsertSS(0x00189219, -3); },
       "(0018,9219),SS,2,TagAngleSecondAxis\t-3 \n"},
      {"SS positive", [](DataSet& d) { d.InsertSS(0x00189219, 4); },
       "(0018,9219),SS,2,TagAngleSecondAxis\t+4 \n"},
      {"UL", [](DataSet& d) { d.InsertUL(0x00081161, 1); },
       "(0008,1161),UL,4,SimpleFrameList\t00000001 \n"},
      {"OB over the byte limit", [&](DataSet& d) { InsertBytes(d, 0x00282000, vr::OB, bytes40); },
       "(0028,2000),OB,40,ICCProfile\t" + hex32 + "..\n"},
      {"OB at the byte limit",
       [&](DataSet& d) { InsertBytes(d, 0x00282000, vr::OB, bytes40.substr(0, 32)); },
       "(0028,2000),OB,32,ICCProfile\t" + hex32 + "\n"},
      {"text over the limit", [&](DataSet& d) { d.InsertText(0x00204000, vr::LT, text70); },
       "(0020,4000),LT,70,ImageComments\t\"" + text70.substr(0, 64) + "..\"\n"},
      {"text at the limit",
       [&](DataSet& d) { d.InsertText(0x00204000, vr::LT, text70.substr(0, 64)); },
       "(0020,4000),LT,64,ImageComments\t\"" + text70.substr(0, 64) + "\"\n"},
      {"empty text", [](DataSet& d) { d.InsertEmpty(0x00100020, vr::LO); },
       "(0010,0020),LO,0,PatientID\t\"\"\n"},
      {"UI padded with NUL", [](DataSet& d) { d.InsertText(0x00080016, vr::UI, "1.2.3"); },
       "(0008,0016),UI,6,SOPClassUID\t\"1.2.3\"\n"},
      {"unprintable text byte", [](DataSet& d) { d.InsertText(0x00100020, vr::LO, "A\x07Z\xE9"); },
       "(0010,0020),LO,4,PatientID\t\"A#Z#\"\n"},
      {"unknown tag, UN", [](DataSet& d) { InsertBytes(d, 0x00091001, vr::UN, "\x01\x02\x03"); },
       "(0009,1001),UN,3,?????????????\t01 02 03 \n"},
      {"known tag held as UN shows the dictionary VR",
       [](DataSet& d) { InsertBytes(d, 0x00280010, vr::UN, "\x00\x02"s); },
       "(0028,0010),US,2,Rows\t0200 \n"},
      {"AT",
       [](DataSet& d) {
         // (0010,0010) then (0010,0020), each as group then element
         InsertBytes(d, 0x00209165, vr::AT, "\x10\x00\x10\x00\x10\x00\x20\x00"s);
       },
       "(0020,9165),AT,8,DimensionIndexPointer\t(0010,0010)(0010,0020)\n"},
      {"US over the value limit",
       [](DataSet& d) {
         std::string values;
         for (int i = 0; i < 20; ++i)
           values += {static_cast<char>(i), '\0'};
         InsertBytes(d, 0x00280010, vr::US, values);
       },
       "(0028,0010),US,40,Rows\t" +
           [] {
             std::string shown;
             for (int i = 0; i < 16; ++i) {
               char digits[8];
               std::snprintf(digits, sizeof digits, "%.4x ", i);
               shown += digits;
             }
             return shown;
           }() +
           "..\n"},
      {"PN", [](DataSet& d) { d.InsertText(0x00100010, vr::PN, "Doe^John^Mr"); },
       "(0010,0010),PN,12,Patient\x92sName\t\"Doe^John^Mr \"\n"},
      {"SQ read with undefined length, no items",
       [](DataSet& d) {
         d.Insert(0x00081115, std::make_shared<const ElementValue>(Sequence{}, kUndefinedLength));
       },
       "(0008,1115),SQ,-1,ReferencedSeriesSequence\t(null)\n"},
      {"SQ built empty", [](DataSet& d) { d.InsertSequence(0x00081115, {}); },
       "(0008,1115),SQ,0,ReferencedSeriesSequence\t(null)\n"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    DataSet dataSet;
    c.fill(dataSet);
    EXPECT_EQ(Dump(dataSet), c.line);
  }
}

TEST(DataSetDumperTest, ItemsAreIndentedOncePerDepth) {
  auto outer = std::make_shared<DataSet>();
  outer->InsertText(0x00081150, vr::UI, "1.2");
  outer->InsertSequence(0x0008114A, {ReferenceItem("3.4", "5.6")});
  DataSet dataSet;
  dataSet.InsertText(0x00080052, vr::CS, "STUDY");
  dataSet.InsertSequence(0x00081115, {ReferenceItem("1.2", "1.3"), outer});
  dataSet.InsertText(0x00100010, vr::PN, "Doe");

  EXPECT_EQ(Dump(dataSet),
            "(0008,0052),CS,6,Query/RetrieveLevel\t\"STUDY \"\n"
            "(0008,1115),SQ,-1,ReferencedSeriesSequence\t(null)\n"
            "<(0008,1150),UI,4,ReferencedSOPClassUID\t\"1.2\"\n"
            "<(0008,1155),UI,4,ReferencedSOPInstanceUID\t\"1.3\"\n"
            "<(0008,114a),SQ,-1,ReferencedInstanceSequence\t(null)\n"
            "<<(0008,1150),UI,4,ReferencedSOPClassUID\t\"3.4\"\n"
            "<<(0008,1155),UI,4,ReferencedSOPInstanceUID\t\"5.6\"\n"
            "<(0008,1150),UI,4,ReferencedSOPClassUID\t\"1.2\"\n"
            "(0010,0010),PN,4,Patient\x92sName\t\"Doe \"\n");
}

TEST(DataSetDumperTest, WithoutIndentItemsReplaceTheirSequence) {
  DumpFormat flat = DefaultDumpFormat;
  flat.indent = nullptr;

  auto outer = std::make_shared<DataSet>();
  outer->InsertSequence(0x0008114A, {ReferenceItem("3.4", "5.6")});
  DataSet dataSet;
  dataSet.InsertSequence(0x00081115, {ReferenceItem("1.2", "1.3"), outer});
  dataSet.InsertText(0x00100010, vr::PN, "Doe");

  EXPECT_EQ(Dump(dataSet, flat),
            "(0008,1150),UI,4,ReferencedSOPClassUID\t\"1.2\"\n"
            "(0008,1155),UI,4,ReferencedSOPInstanceUID\t\"1.3\"\n"
            "(0008,1150),UI,4,ReferencedSOPClassUID\t\"3.4\"\n"
            "(0008,1155),UI,4,ReferencedSOPInstanceUID\t\"5.6\"\n"
            "(0010,0010),PN,4,Patient\x92sName\t\"Doe \"\n");
}

}  // namespace
}  // namespace dicom
