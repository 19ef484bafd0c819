#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/ElementValue.h"
#include "data/Tag.h"
#include "data/VrCode.h"
#include "support/Hex.h"

namespace dicom {
namespace {

using namespace std::string_view_literals;

constexpr Tag kSopInstanceUid = 0x00080018;
constexpr Tag kPatientName = 0x00100010;
constexpr Tag kPatientId = 0x00100020;
constexpr Tag kRows = 0x00280010;

std::vector<Tag> TagsOf(const DataSet& dataSet) {
  std::vector<Tag> tags;
  for (const auto& [tag, value] : dataSet)
    tags.push_back(tag);
  return tags;
}

// The first value of a tag stays; iteration follows the tags' order.
TEST(DataSetTest, InsertKeepsTheFirstValueInTagOrder) {
  DataSet dataSet;
  EXPECT_TRUE(dataSet.InsertText(kPatientName, vr::PN, "FIRST").second);
  EXPECT_FALSE(dataSet.InsertText(kPatientName, vr::PN, "SECOND").second);
  EXPECT_FALSE(dataSet.InsertUS(kPatientName, 7).second);
  EXPECT_EQ(dataSet.GetText(kPatientName, vr::PN), "FIRST");
  for (Tag tag : {0xFFFA0001u, 0x7FE00010u, 0x00098010u, 0x00090010u, 0x00080016u})
    dataSet.InsertEmpty(tag, vr::UN);
  EXPECT_EQ(TagsOf(dataSet), (std::vector<Tag>{0x00080016, 0x00090010, 0x00098010, kPatientName,
                                               0x7FE00010, 0xFFFA0001}));
}

TEST(DataSetTest, GettersStayInsideTheValue) {
  DataSet dataSet;
  dataSet.InsertUS(kRows, 0x0200);
  std::string text = "untouched";
  EXPECT_FALSE(dataSet.GetText(kPatientName, vr::PN, text));
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(dataSet.GetSequence(kRows), nullptr);
  EXPECT_EQ(dataSet.GetUL(kRows), 0u);  // 4 bytes asked of 2
  std::uint16_t us = 0xBEEF;
  EXPECT_FALSE(dataSet.GetUS(kRows, us, 1));
  EXPECT_EQ(us, 0xBEEF);
  dataSet.InsertEmpty(kPatientId, vr::LO);  // present but empty: true
  EXPECT_TRUE(dataSet.GetText(kPatientId, vr::LO, text));
  EXPECT_EQ(text, "");

  const ElementValue odd(vr::US, 3,
                         std::unique_ptr<std::uint8_t[]>(new std::uint8_t[3]{0x34, 0x12, 0x56}));
  EXPECT_EQ(odd.GetUS(0), 0x1234);
  EXPECT_EQ(odd.GetUL(0), 0u);
  EXPECT_FALSE(odd.GetUS(us, 1));
  EXPECT_FALSE(odd.GetUS(us, 0x80000000));
  EXPECT_EQ(us, 0xBEEF);
}

// Copies share values with their source; clearing a copy leaves the source whole.
TEST(DataSetTest, CopiesShareValues) {
  DataSet source;
  source.InsertText(kSopInstanceUid, vr::UI, "1.2.3");
  source.InsertText(kPatientName, vr::PN, "NOT LISTED");
  DataSet target;
  target.InsertText(kPatientId, vr::LO, "KEEP");
  target.CopyElements({0x00080016, kSopInstanceUid}, source);
  EXPECT_EQ(TagsOf(target), (std::vector<Tag>{kSopInstanceUid, kPatientId}));
  EXPECT_EQ(target.GetValue(kSopInstanceUid), source.GetValue(kSopInstanceUid));

  DataSet copy = source;
  EXPECT_EQ(copy.GetValue(kPatientName), source.GetValue(kPatientName));
  copy.Clear();
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(TagsOf(source), (std::vector<Tag>{kSopInstanceUid, kPatientName}));
}

std::string VrName(VrCode vr) {
  return {VrFirst(vr), VrSecond(vr)};
}

// Whole texts are trimmed as the named VR has it; single values are split at the backslashes.
TEST(ElementValueTest, TextTrimsAsTheNamedVr) {
  const struct {
    VrCode stored;
    std::string_view text;
    VrCode named;
    std::string_view expected;
  } cases[] = {
      {vr::AE, "  STORE  ", vr::AE, "STORE"},
      {vr::LO, "  STORE  ", vr::AE, "STORE"},  // the named VR, not the value's
      {vr::PN, "  STORE  ", vr::PN, "  STORE"},
      {vr::UI, "1.2.3", vr::OB, "1.2.3\0"sv},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VrName(c.stored) + " \"" + std::string(c.text) + "\" as " + VrName(c.named));
    EXPECT_EQ(ElementValue(c.stored, c.text).Text(c.named), c.expected);
  }
  const ElementValue value(vr::CS, "FIRST\\SECOND");
  EXPECT_EQ(value.TextValue(vr::CS, 1), "SECOND");
  EXPECT_EQ(value.TextValue(vr::CS, 2), "");
}

}  // namespace
}  // namespace dicom
