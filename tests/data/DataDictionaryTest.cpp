#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "data/DataDictionary.h"

namespace dicom {
namespace {

using Map = DataDictionary::Map;

constexpr Map kAllMaps[] = {Map::Command, Map::FileMeta, Map::Directory,
                            Map::Main,    Map::Curve,    Map::Overlay};

struct MapCount {
  Map map;
  std::size_t count;
};

// The main count follows tools/gen_dictionary.py; a change here means the table was regenerated.
constexpr MapCount kMapCounts[] = {
    {Map::Command, 24}, {Map::FileMeta, 10}, {Map::Directory, 19},
    {Map::Main, 2606},  {Map::Curve, 26},    {Map::Overlay, 18},
};

TEST(DataDictionaryTest, MapSizes) {
  const DataDictionary& dictionary = DataDictionary::Instance();
  for (const MapCount& row : kMapCounts) {
    EXPECT_EQ(dictionary.Entries(row.map).size(), row.count) << static_cast<int>(row.map);
  }
}

TEST(DataDictionaryTest, EachMapIsStrictlyAscending) {
  for (Map map : kAllMaps) {
    const auto entries = DataDictionary::Instance().Entries(map);
    ASSERT_FALSE(entries.empty());
    for (std::size_t i = 1; i < entries.size(); ++i) {
      EXPECT_LT(entries[i - 1].tag, entries[i].tag)
          << "map " << static_cast<int>(map) << " at " << i;
    }
  }
}

TEST(DataDictionaryTest, NoEntryIsUnknownOrNameless) {
  for (Map map : kAllMaps) {
    for (const DictionaryEntry& entry : DataDictionary::Instance().Entries(map)) {
      EXPECT_NE(entry.vr, vr::UN) << std::hex << entry.tag;
      ASSERT_NE(entry.name, nullptr) << std::hex << entry.tag;
      EXPECT_NE(entry.name[0], '\0') << std::hex << entry.tag;
    }
  }
}

TEST(DataDictionaryTest, GroupLengthsAcrossMaps) {
  int groupLengths = 0;
  for (Map map : kAllMaps) {
    for (const DictionaryEntry& entry : DataDictionary::Instance().Entries(map)) {
      if (std::string(entry.name) != "GroupLength") continue;
      ++groupLengths;
      EXPECT_EQ(TagElement(entry.tag), 0) << std::hex << entry.tag;
      EXPECT_EQ(entry.vr, vr::UL) << std::hex << entry.tag;
    }
  }
  EXPECT_EQ(groupLengths, 25);
}

TEST(DataDictionaryTest, NineNamesUseTheTypographicApostrophe) {
  int count = 0;
  for (Map map : kAllMaps) {
    for (const DictionaryEntry& entry : DataDictionary::Instance().Entries(map)) {
      if (std::strchr(entry.name, '\x92') != nullptr) ++count;
    }
  }
  EXPECT_EQ(count, 9);
}

struct LookupCase {
  Tag tag;
  VrCode vr;
  const char* name;  // nullptr: not in the dictionary
};

constexpr LookupCase kLookupCases[] = {
    // Command, file meta and directory groups.
    {0x00000000, vr::UL, "GroupLength"},
    {0x00000100, vr::US, "CommandField"},
    {0x00001031, vr::US, "MoveOriginatorMessageID"},
    {0x00020000, vr::UL, "GroupLength"},
    {0x00020010, vr::UI, "TransferSyntaxUID"},
    {0x00041220, vr::SQ, "DirectoryRecordSequence"},
    // Main map.
    {0x00080016, vr::UI, "SOPClassUID"},
    {0x00080018, vr::UI, "SOPInstanceUID"},
    {0x00080052, vr::CS, "Query/RetrieveLevel"},
    {0x00080090, vr::PN, "ReferringPhysician\x92sName"},
    {0x00100010, vr::PN, "Patient\x92sName"},
    {0x00100030, vr::DA, "Patient'sBirthDate"},
    {0x0020000D, vr::UI, "StudyInstanceUID"},
    {0x0020000E, vr::UI, "SeriesInstanceUID"},
    {0x00280010, vr::US, "Rows"},
    {0x00281201, vr::OW, "RedPaletteColorLookupTableData"},
    {0x00281202, vr::OW, "GreenPaletteColorLookupTableData"},
    {0x00281203, vr::OW, "BluePaletteColorLookupTableData"},
    {0x00188150, vr::DS, "ExposureTimein\xB5S"},
    {0x7FE00000, vr::UL, "GroupLength"},
    {0x7FE00010, vr::OB, "PixelDataOW"},
    {0xFFFCFFFC, vr::OB, "DataSetTrailingPadding"},
    // Repeating groups resolve to their base group.
    {0x50000010, vr::US, "NumberofPoints"},
    {0x50020010, vr::US, "NumberofPoints"},
    {0x60003000, vr::OW, "OverlayData"},
    {0x60023000, vr::OW, "OverlayData"},
    {0x60FF3000, vr::OW, "OverlayData"},
    // Unknown: private, missing elements, groups without a length, other repeating-looking groups.
    {0x00090010, 0, nullptr},
    {0x00089999, 0, nullptr},
    {0x20500000, 0, nullptr},
    {0x61003000, 0, nullptr},
    {0x00000001, 0, nullptr},
    {0x0002FFFF, 0, nullptr},
};

TEST(DataDictionaryTest, Lookup) {
  const DataDictionary& dictionary = DataDictionary::Instance();
  const char* const preset = "preset";
  for (const LookupCase& c : kLookupCases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag);
    VrCode vr = vr::UN;
    const char* name = preset;
    if (c.name == nullptr) {
      EXPECT_FALSE(dictionary.Lookup(c.tag, vr, &name));
      EXPECT_EQ(vr, vr::UN);
      EXPECT_EQ(name, preset);
      continue;
    }
    ASSERT_TRUE(dictionary.Lookup(c.tag, vr, &name));
    EXPECT_EQ(vr, c.vr) << VrFirst(vr) << VrSecond(vr);
    EXPECT_STREQ(name, c.name);
  }
}

TEST(DataDictionaryTest, LookupWithoutName) {
  VrCode vr = vr::UN;
  ASSERT_TRUE(DataDictionary::Instance().Lookup(0x00100010, vr));
  EXPECT_EQ(vr, vr::PN);
  vr = vr::UN;
  EXPECT_FALSE(DataDictionary::Instance().Lookup(0x00090010, vr));
  EXPECT_EQ(vr, vr::UN);
}

TEST(DataDictionaryTest, InstanceIsShared) {
  EXPECT_EQ(&DataDictionary::Instance(), &DataDictionary::Instance());
}

}  // namespace
}  // namespace dicom
