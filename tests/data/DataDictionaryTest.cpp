#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "data/DataDictionary.h"

namespace dicom {
namespace {

using Map = DataDictionary::Map;

// A change of a count means the tables were regenerated (tools/gen_dictionary.py).
TEST(DataDictionaryTest, MapsAreCountedAndAscending) {
  const struct {
    Map map;
    std::size_t count;
  } maps[] = {{Map::Command, 24}, {Map::FileMeta, 10}, {Map::Directory, 19},
              {Map::Main, 2606},  {Map::Curve, 26},    {Map::Overlay, 18}};
  int groupLengths = 0, typographic = 0;
  for (const auto& m : maps) {
    const auto entries = DataDictionary::Instance().Entries(m.map);
    EXPECT_EQ(entries.size(), m.count) << static_cast<int>(m.map);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const DictionaryEntry& entry = entries[i];
      EXPECT_TRUE(i == 0 || entries[i - 1].tag < entry.tag) << std::hex << entry.tag;
      ASSERT_NE(entry.name, nullptr) << std::hex << entry.tag;
      EXPECT_NE(entry.vr, vr::UN) << std::hex << entry.tag;
      if (std::strchr(entry.name, '\x92') != nullptr) ++typographic;
      if (std::string(entry.name) != "GroupLength") continue;
      ++groupLengths;
      EXPECT_EQ(TagElement(entry.tag), 0) << std::hex << entry.tag;
      EXPECT_EQ(entry.vr, vr::UL) << std::hex << entry.tag;
    }
  }
  EXPECT_EQ(groupLengths, 25);
  EXPECT_EQ(typographic, 9);
}

TEST(DataDictionaryTest, Lookup) {
  const struct {
    Tag tag;
    VrCode vr;
    const char* name;  // nullptr: not in the dictionary
  } cases[] = {
      {0x00000000, vr::UL, "GroupLength"},
      {0x7FE00000, vr::UL, "GroupLength"},
      {0x00000100, vr::US, "CommandField"},
      {0x00041220, vr::SQ, "DirectoryRecordSequence"},
      {0x00100010, vr::PN, "Patient\x92sName"},
      {0x7FE00010, vr::OB, "PixelDataOW"},
      {0x50020010, vr::US, "NumberofPoints"},
      {0x60FF3000, vr::OW, "OverlayData"},
      {0x00090010, 0, nullptr},
      {0x20500000, 0, nullptr},
      {0x61003000, 0, nullptr},
  };
  const char* const preset = "preset";
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag);
    VrCode vr = vr::UN;
    const char* name = preset;
    ASSERT_EQ(DataDictionary::Instance().Lookup(c.tag, vr, &name), c.name != nullptr);
    EXPECT_EQ(vr, c.name ? c.vr : vr::UN);
    EXPECT_STREQ(name, c.name ? c.name : preset);
  }
}

}  // namespace
}  // namespace dicom
