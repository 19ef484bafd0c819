#include <gtest/gtest.h>

#include <string>

#include "data/DataDictionary.h"

namespace dicom {
namespace {

TEST(DataDictionaryTest, Lookup) {
  const struct {
    Tag tag;
    VrCode vr;
    const char* name;  // nullptr: not in the dictionary
  } cases[] = {
      {0x00000000, vr::UL, "GroupLength"},
      {0x00000100, vr::US, "CommandField"},
      {0x00041220, vr::SQ, "DirectoryRecordSequence"},
      {0x00100010, vr::PN, "Patient\x92sName"},
      {0x7FE00010, vr::OB, "PixelDataOW"},
      {0x50020010, vr::US, "NumberofPoints"},
      {0x60FF3000, vr::OW, "OverlayData"},
      {0x00090010, 0, nullptr},
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
