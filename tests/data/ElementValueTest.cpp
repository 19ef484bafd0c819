#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "data/DataSet.h"
#include "data/ElementValue.h"
#include "data/Tag.h"
#include "data/VrCode.h"
#include "data/VrRules.h"
#include "support/Hex.h"

namespace dicom {
namespace {

using namespace std::string_view_literals;

std::string VrName(VrCode vr) {
  return {VrFirst(vr), VrSecond(vr)};
}

TEST(ElementValueTest, TextConstructorPadsOddLengths) {
  const struct {
    VrCode vr;
    std::string_view text, held;
  } cases[] = {
      {vr::LO, "ABC", "41 42 43 20"},
      {vr::UI, "1.2.3", "31 2e 32 2e 33 00"},
      {vr::OB, "\x00\x01"sv, "00 01"},
      {vr::LO, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VrName(c.vr) + " \"" + std::string(c.text) + "\"");
    const ElementValue value(c.vr, c.text);
    EXPECT_EQ(value.Vr(), c.vr);
    EXPECT_EQ(testing_support::ToHex({value.Data(), value.Length()}), c.held);
    EXPECT_EQ(value.Data() == nullptr, c.text.empty());
  }
}

TEST(ElementValueTest, SequenceLength) {
  EXPECT_EQ(ElementValue(Sequence{}).Length(), 0u);
  EXPECT_EQ(ElementValue(Sequence{std::make_shared<const DataSet>()}).Length(), kUndefinedLength);
  // A reader's length stands, even without items.
  EXPECT_EQ(ElementValue(Sequence{}, kUndefinedLength).Length(), kUndefinedLength);
}

TEST(ElementValueTest, NumberReadersStayInsideTheValue) {
  const ElementValue odd(vr::US, 3,
                         std::unique_ptr<std::uint8_t[]>(new std::uint8_t[3]{0x34, 0x12, 0x56}));
  EXPECT_EQ(odd.GetUS(0), 0x1234);
  EXPECT_EQ(odd.GetUS(1), 0);
  EXPECT_EQ(odd.GetUL(0), 0u);
  std::uint16_t out = 0xBEEF;
  EXPECT_FALSE(odd.GetUS(out, 1));
  EXPECT_FALSE(odd.GetUS(out, 0x80000000));
  EXPECT_EQ(out, 0xBEEF);
  EXPECT_TRUE(odd.GetUS(out, 0));
  EXPECT_EQ(out, 0x1234);
}

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
      {vr::UI, "1.2.3", vr::UI, "1.2.3"},
      {vr::UI, "1.2.3", vr::OB, "1.2.3\0"sv},
      {vr::OB, "  AB  ", vr::OB, "  AB  "},
      {vr::UT, "  free text  ", vr::UT, "  free text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(VrName(c.stored) + " \"" + std::string(c.text) + "\" as " + VrName(c.named));
    EXPECT_EQ(ElementValue(c.stored, c.text).Text(c.named), c.expected);
  }
}

TEST(ElementValueTest, TextValue) {
  const ElementValue value(vr::CS, "FIRST\\SECOND");
  EXPECT_EQ(value.TextValue(vr::CS, 1), "SECOND");
  EXPECT_EQ(value.TextValue(vr::CS, 2), "");
  EXPECT_EQ(ElementValue(vr::CS, "").TextValue(vr::CS, 0), "");
}

TEST(ElementValueTest, RulesForEachVr) {
  const std::string all =
      " AE AS AT CS DA DS DT FD FL IS LO LT OB OD OF OL OV OW PN SH SL SQ SS ST"
      " SV TM UC UI UL UN UR US UT UV ";
  const std::string longForm = " OB OW SQ UN UC UR UT OD OF OL OV SV UV ";
  const std::string swap[] = {" AT OW SS US ", " SL UL FL OF OL ", " FD OD OV SV UV "};
  for (std::size_t i = 0; i + 1 < all.size(); i += 3) {
    const std::string name = all.substr(i, 4);
    SCOPED_TRACE(name);
    const VrRules& rules = RulesFor(MakeVr(name[1], name[2]));
    EXPECT_EQ(rules.longLength, longForm.find(name) != std::string::npos);
    unsigned unit = 0;
    for (unsigned n = 0; n < 3; ++n)
      if (swap[n].find(name) != std::string::npos) unit = 2u << n;
    EXPECT_EQ(rules.swapUnit, unit);
  }
  EXPECT_FALSE(RulesFor(MakeVr('Z', 'Z')).longLength);
}

TEST(ElementValueTest, OverlayAndCurveData) {
  EXPECT_TRUE(IsOverlayData(MakeTag(0x6002, 0x3000)));
  EXPECT_TRUE(IsOverlayData(MakeTag(0x6000, 0x3000)));
  EXPECT_FALSE(IsOverlayData(MakeTag(0x6100, 0x3000)));
  EXPECT_FALSE(IsOverlayData(MakeTag(0x6000, 0x3001)));
  EXPECT_TRUE(IsCurveData(MakeTag(0x5002, 0x3000)));
  EXPECT_FALSE(IsCurveData(MakeTag(0x5100, 0x3000)));
}

}  // namespace
}  // namespace dicom
