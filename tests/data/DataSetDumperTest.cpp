#include <gtest/gtest.h>

#include <cstdint>
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

using namespace std::string_literals;

std::string Dump(const DataSet& dataSet, const DumpFormat& format = DefaultDumpFormat) {
  std::ostringstream out;
  DataSetDumper(out, format).Dump(dataSet);
  return out.str();
}

void InsertBytes(DataSet& dataSet, Tag tag, VrCode vr, std::string_view bytes) {
  auto data = std::make_unique<std::uint8_t[]>(bytes.size());
  std::memcpy(data.get(), bytes.data(), bytes.size());
  dataSet.InsertRaw(tag, vr, static_cast<std::uint32_t>(bytes.size()), std::move(data));
}

std::string Repeat(std::string_view unit, int count) {
  std::string out;
  while (count-- > 0)
    out += unit;
  return out;
}

// What the dump command's listing of a whole file does not show already.
TEST(DataSetDumperTest, OneLinePerValue) {
  const std::string text70 = std::string(35, 'a') + std::string(35, 'b');
  const std::string bytes40 = Repeat("\x01\x02", 20);
  const struct {
    std::function<void(DataSet&)> fill;
    std::string line;
  } cases[] = {
      {[&](DataSet& d) { InsertBytes(d, 0x00282000, vr::OB, bytes40); },
       "(0028,2000),OB,40,ICCProfile\t" + Repeat("01 02 ", 16) + "..\n"},
      {[&](DataSet& d) { d.InsertText(0x00204000, vr::LT, text70); },
       "(0020,4000),LT,70,ImageComments\t\"" + text70.substr(0, 64) + "..\"\n"},
      {[](DataSet& d) { d.InsertText(0x00100020, vr::LO, "A\x07Z\xE9"); },
       "(0010,0020),LO,4,PatientID\t\"A#Z#\"\n"},
      {[](DataSet& d) { InsertBytes(d, 0x00091001, vr::UN, "\x01\x02\x03"); },
       "(0009,1001),UN,3,?????????????\t01 02 03 \n"},
      {[](DataSet& d) { InsertBytes(d, 0x00209165, vr::AT, "\x10\0\x10\0\x10\0\x20\0"s); },
       "(0020,9165),AT,8,DimensionIndexPointer\t(0010,0010)(0010,0020)\n"},
      {[](DataSet& d) { InsertBytes(d, 0x00189440, vr::SS, "\0\x80\xff\x7f"s); },
       "(0018,9440),SS,4,CenterofCircularExposureControlSensingRegion\t-32768 +32767 \n"},
  };
  for (const auto& c : cases) {
    DataSet dataSet;
    c.fill(dataSet);
    EXPECT_EQ(Dump(dataSet), c.line);
  }
}

ItemPtr ReferenceItem(std::string_view classUid, std::string_view instanceUid) {
  auto item = std::make_shared<DataSet>();
  item->InsertText(0x00081150, vr::UI, classUid);
  item->InsertText(0x00081155, vr::UI, instanceUid);
  return item;
}

DataSet NestedDataSet() {
  auto outer = std::make_shared<DataSet>();
  outer->InsertText(0x00081150, vr::UI, "1.2");
  outer->InsertSequence(0x0008114A, {ReferenceItem("3.4", "5.6")});
  DataSet dataSet;
  dataSet.InsertSequence(0x00081115, {ReferenceItem("1.2", "1.3"), outer});
  dataSet.InsertText(0x00100010, vr::PN, "Doe");
  return dataSet;
}

// Items are indented once per depth.
TEST(DataSetDumperTest, Items) {
  EXPECT_EQ(Dump(NestedDataSet()),
            "(0008,1115),SQ,-1,ReferencedSeriesSequence\t(null)\n"
            "<(0008,1150),UI,4,ReferencedSOPClassUID\t\"1.2\"\n"
            "<(0008,1155),UI,4,ReferencedSOPInstanceUID\t\"1.3\"\n"
            "<(0008,114a),SQ,-1,ReferencedInstanceSequence\t(null)\n"
            "<<(0008,1150),UI,4,ReferencedSOPClassUID\t\"3.4\"\n"
            "<<(0008,1155),UI,4,ReferencedSOPInstanceUID\t\"5.6\"\n"
            "<(0008,1150),UI,4,ReferencedSOPClassUID\t\"1.2\"\n"
            "(0010,0010),PN,4,Patient\x92sName\t\"Doe \"\n");
}

}  // namespace
}  // namespace dicom
