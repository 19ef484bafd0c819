#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/DataSet.h"
#include "data/Tag.h"
#include "data/VrCode.h"

namespace dicom {
namespace {

constexpr Tag kSopInstanceUid = 0x00080018;
constexpr Tag kPatientName = 0x00100010;
constexpr Tag kPatientId = 0x00100020;
constexpr Tag kRows = 0x00280010;
constexpr Tag kReferencedSeries = 0x00081115;

std::vector<Tag> TagsOf(const DataSet& dataSet) {
  std::vector<Tag> tags;
  for (const auto& [tag, value] : dataSet)
    tags.push_back(tag);
  return tags;
}

TEST(DataSetTest, InsertKeepsTheFirstValue) {
  DataSet dataSet;
  EXPECT_TRUE(dataSet.InsertText(kPatientName, vr::PN, "FIRST").second);
  EXPECT_FALSE(dataSet.InsertText(kPatientName, vr::PN, "SECOND").second);
  EXPECT_FALSE(dataSet.InsertUS(kPatientName, 7).second);
  EXPECT_EQ(dataSet.Size(), 1u);
  EXPECT_EQ(dataSet.GetText(kPatientName, vr::PN), "FIRST");
}

TEST(DataSetTest, IteratesInTagOrder) {
  DataSet dataSet;
  for (Tag tag : {0xFFFA0001u, 0x7FE00010u, 0x00098010u, 0x00090010u, 0x00080016u})
    dataSet.InsertEmpty(tag, vr::UN);
  EXPECT_EQ(TagsOf(dataSet),
            (std::vector<Tag>{0x00080016, 0x00090010, 0x00098010, 0x7FE00010, 0xFFFA0001}));
}

TEST(DataSetTest, GettersOfAbsentOrShortValues) {
  DataSet dataSet;
  dataSet.InsertUS(kRows, 0x0200);
  std::string text = "untouched";
  EXPECT_FALSE(dataSet.GetText(kPatientName, vr::PN, text));
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(dataSet.GetText(kPatientName, vr::PN), "");
  EXPECT_EQ(dataSet.GetValue(kPatientName), nullptr);
  EXPECT_EQ(dataSet.GetSequence(kRows), nullptr);
  EXPECT_EQ(dataSet.GetUS(kPatientName), 0);
  EXPECT_EQ(dataSet.GetUL(kRows), 0u);  // 4 bytes asked of 2
  std::uint16_t us = 0xBEEF;
  EXPECT_FALSE(dataSet.GetUS(kRows, us, 1));
  EXPECT_EQ(us, 0xBEEF);
  dataSet.InsertEmpty(kPatientId, vr::LO);  // present but empty: true
  EXPECT_TRUE(dataSet.GetText(kPatientId, vr::LO, text));
  EXPECT_EQ(text, "");
}

TEST(DataSetTest, CopyElementsSharesWhatTheSourceHolds) {
  DataSet source;
  source.InsertText(kSopInstanceUid, vr::UI, "1.2.3");
  source.InsertText(kPatientName, vr::PN, "NOT LISTED");
  DataSet target;
  target.InsertText(kPatientId, vr::LO, "KEEP");
  target.CopyElements({0x00080016, kSopInstanceUid}, source);
  EXPECT_EQ(TagsOf(target), (std::vector<Tag>{kSopInstanceUid, kPatientId}));
  EXPECT_EQ(target.GetValue(kSopInstanceUid), source.GetValue(kSopInstanceUid));

  DataSet other;
  other.InsertText(kSopInstanceUid, vr::UI, "9.9");
  target.CopyElements({kSopInstanceUid}, other);
  EXPECT_EQ(target.GetValue(kSopInstanceUid), source.GetValue(kSopInstanceUid));
}

TEST(DataSetTest, CountElementsThroughItems) {
  auto leaf = std::make_shared<DataSet>();
  leaf->InsertText(0x00081155, vr::UI, "1.2");
  auto inner = std::make_shared<DataSet>();
  inner->InsertText(0x00081150, vr::UI, "1.2");
  inner->InsertSequence(0x0008114A, {leaf});
  DataSet dataSet;
  dataSet.InsertText(kPatientName, vr::PN, "A");
  dataSet.InsertText(kPatientId, vr::LO, "B");
  dataSet.InsertSequence(kReferencedSeries, {leaf, inner});
  EXPECT_EQ(dataSet.CountElements(false), 3u);
  EXPECT_EQ(dataSet.CountElements(true), 7u);
}

TEST(DataSetTest, ClearingACopyLeavesTheOriginal) {
  DataSet original;
  original.InsertText(kPatientName, vr::PN, "Doe^John");
  original.InsertUS(kRows, 512);
  DataSet copy = original;
  EXPECT_EQ(copy.GetValue(kRows), original.GetValue(kRows));
  copy.InsertText(kPatientId, vr::LO, "ONLY IN COPY");
  copy.Clear();
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(TagsOf(original), (std::vector<Tag>{kPatientName, kRows}));
  EXPECT_EQ(original.GetText(kPatientName, vr::PN), "Doe^John");
}

}  // namespace
}  // namespace dicom
