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

constexpr Tag kSopClassUid = 0x00080016;
constexpr Tag kSopInstanceUid = 0x00080018;
constexpr Tag kRetrieveLevel = 0x00080052;
constexpr Tag kPatientName = 0x00100010;
constexpr Tag kPatientId = 0x00100020;
constexpr Tag kStudyInstanceUid = 0x0020000D;
constexpr Tag kRows = 0x00280010;
constexpr Tag kReferencedSeries = 0x00081115;

std::vector<Tag> TagsOf(const DataSet& dataSet) {
  std::vector<Tag> tags;
  for (const auto& [tag, value] : dataSet)
    tags.push_back(tag);
  return tags;
}

ItemPtr Item(std::initializer_list<Tag> tags) {
  auto item = std::make_shared<DataSet>();
  for (Tag tag : tags)
    item->InsertText(tag, vr::LO, "x");
  return item;
}

TEST(DataSetTest, InsertNeverReplaces) {
  DataSet dataSet;
  const auto first = dataSet.InsertText(kPatientName, vr::PN, "FIRST");
  EXPECT_TRUE(first.second);
  const auto second = dataSet.InsertText(kPatientName, vr::PN, "SECOND");
  EXPECT_FALSE(second.second);
  EXPECT_EQ(second.first, first.first);
  EXPECT_FALSE(dataSet.InsertUS(kPatientName, 7).second);
  EXPECT_FALSE(dataSet.Insert(kPatientName, std::make_shared<const ElementValue>(vr::PN)).second);

  EXPECT_EQ(dataSet.Size(), 1u);
  EXPECT_EQ(dataSet.GetText(kPatientName, vr::PN), "FIRST");
  EXPECT_EQ(dataSet.GetValue(kPatientName)->Vr(), vr::PN);
}

struct OrderCase {
  const char* name;
  std::vector<Tag> inserted;
  std::vector<Tag> iterated;
};

TEST(DataSetTest, IteratesInTagOrderWhateverTheInsertOrder) {
  const OrderCase cases[] = {
      {"out of order",
       {kStudyInstanceUid, kRetrieveLevel, kPatientName},
       {kRetrieveLevel, kPatientName, kStudyInstanceUid}},
      {"high group after low", {0xFFFA0001, kSopClassUid}, {kSopClassUid, 0xFFFA0001}},
      {"element above 0x7FFF",
       {0x00098010, 0x00090010, 0x7FE00010},
       {0x00090010, 0x00098010, 0x7FE00010}},
      {"descending then between",
       {kRows, kPatientId, kSopClassUid, kPatientName, kStudyInstanceUid},
       {kSopClassUid, kPatientName, kPatientId, kStudyInstanceUid, kRows}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.name);
    DataSet dataSet;
    for (Tag tag : c.inserted)
      EXPECT_TRUE(dataSet.InsertEmpty(tag, vr::UN).second);
    EXPECT_EQ(TagsOf(dataSet), c.iterated);
  }
}

TEST(DataSetTest, GettersOfAbsentOrShortValues) {
  DataSet dataSet;
  dataSet.InsertUS(kRows, 0x0200);

  std::string text = "untouched";
  EXPECT_EQ(dataSet.GetText(kPatientName, vr::PN), "");
  EXPECT_FALSE(dataSet.GetText(kPatientName, vr::PN, text));
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(dataSet.GetTextValue(kPatientName, 0, vr::PN), "");
  EXPECT_EQ(dataSet.GetValue(kPatientName), nullptr);
  EXPECT_EQ(dataSet.GetData(kPatientName), nullptr);
  EXPECT_EQ(dataSet.GetSequence(kPatientName), nullptr);
  EXPECT_EQ(dataSet.GetSequence(kRows), nullptr);

  EXPECT_EQ(dataSet.GetUS(kPatientName), 0);
  EXPECT_EQ(dataSet.GetUS(kRows), 0x0200);
  EXPECT_EQ(dataSet.GetUS(kRows, 1), 0);
  EXPECT_EQ(dataSet.GetUL(kRows), 0u);  // 4 bytes asked of a 2-byte value
  std::uint16_t us = 0xBEEF;
  EXPECT_FALSE(dataSet.GetUS(kPatientName, us, 0));
  EXPECT_FALSE(dataSet.GetUS(kRows, us, 1));
  EXPECT_EQ(us, 0xBEEF);
  EXPECT_TRUE(dataSet.GetUS(kRows, us, 0));
  EXPECT_EQ(us, 0x0200);

  // A present but empty value still answers true.
  dataSet.InsertEmpty(kPatientId, vr::LO);
  EXPECT_TRUE(dataSet.GetText(kPatientId, vr::LO, text));
  EXPECT_EQ(text, "");
}

TEST(DataSetTest, CopyElementsSharesOnlyWhatTheSourceHolds) {
  DataSet source;
  source.InsertText(kSopInstanceUid, vr::UI, "1.2.3");
  source.InsertText(kPatientName, vr::PN, "NOT LISTED");

  DataSet target;
  target.InsertText(kPatientId, vr::LO, "KEEP");
  target.CopyElements({kSopClassUid, kSopInstanceUid}, source);

  EXPECT_EQ(TagsOf(target), (std::vector<Tag>{kSopInstanceUid, kPatientId}));
  EXPECT_EQ(target.GetValue(kSopInstanceUid), source.GetValue(kSopInstanceUid));

  // A tag the target already holds stays as it was.
  DataSet other;
  other.InsertText(kSopInstanceUid, vr::UI, "9.9");
  target.CopyElements({kSopInstanceUid}, other);
  EXPECT_EQ(target.GetValue(kSopInstanceUid), source.GetValue(kSopInstanceUid));
}

TEST(DataSetTest, CountElementsThroughItems) {
  DataSet dataSet;
  dataSet.InsertText(kPatientName, vr::PN, "A");
  dataSet.InsertText(kPatientId, vr::LO, "B");
  dataSet.InsertSequence(kReferencedSeries,
                         {Item({0x00081150, 0x00081155}), Item({0x00081150, 0x00081155})});
  EXPECT_EQ(dataSet.CountElements(false), 3u);
  EXPECT_EQ(dataSet.CountElements(true), 7u);

  // An item holding a sequence of its own counts at every depth.
  auto inner = std::make_shared<DataSet>();
  inner->InsertText(0x00081150, vr::UI, "1.2");
  inner->InsertSequence(0x0008114A, {Item({0x00081155}), Item({})});
  DataSet nested;
  nested.InsertSequence(kReferencedSeries, {inner});
  EXPECT_EQ(nested.CountElements(false), 1u);
  EXPECT_EQ(nested.CountElements(true), 4u);
}

TEST(DataSetTest, CopiesShareValuesButNotElements) {
  DataSet original;
  original.InsertText(kPatientName, vr::PN, "Doe^John");
  original.InsertUS(kRows, 512);

  DataSet copy = original;
  EXPECT_EQ(copy.GetValue(kPatientName), original.GetValue(kPatientName));
  EXPECT_EQ(copy.GetValue(kRows), original.GetValue(kRows));

  copy.InsertText(kPatientId, vr::LO, "ONLY IN COPY");
  EXPECT_FALSE(original.Contains(kPatientId));
  copy.Clear();
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(TagsOf(original), (std::vector<Tag>{kPatientName, kRows}));
  EXPECT_EQ(original.GetText(kPatientName, vr::PN), "Doe^John");
  EXPECT_EQ(original.GetUS(kRows), 512);
}

}  // namespace
}  // namespace dicom
