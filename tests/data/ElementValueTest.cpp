#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
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

using testing_support::FromHex;
using testing_support::ToHex;

std::string VrName(VrCode vr) {
  return {VrFirst(vr), VrSecond(vr)};
}

std::span<const std::uint8_t> Bytes(const ElementValue& value) {
  if (value.Data() == nullptr) return {};
  return {value.Data(), value.Length()};
}

// The bytes held, and a hex fixture, in the same notation.
std::string HeldHex(const ElementValue& value) {
  return ToHex(Bytes(value));
}
std::string FixtureHex(std::string_view hex) {
  return ToHex(FromHex(hex));
}

struct TextCtorCase {
  VrCode vr;
  std::string_view text;
  std::string_view stored;  // hex of the bytes held
};

TEST(ElementValueTest, TextConstructorPadsOddLengthsWithTheVrPadByte) {
  const TextCtorCase cases[] = {
      {vr::LO, "ABC", "41 42 43 20"},          // "ABC" + space
      {vr::UI, "1.2.3", "31 2E 32 2E 33 00"},  // "1.2.3" + NUL
      {vr::OB, {"\x00\x01", 2}, "00 01"},      // even: as given
      {vr::UN, "\x7F", "7F 00"},               // UN pads with NUL
      {vr::SH, "ABCD", "41 42 43 44"},         // even: no pad
      {MakeVr('Z', 'Z'), "X", "58 20"},        // unknown VR: space
  };
  for (const TextCtorCase& c : cases) {
    SCOPED_TRACE(VrName(c.vr) + " \"" + std::string(c.text) + "\"");
    const ElementValue value(c.vr, c.text);
    EXPECT_EQ(value.Vr(), c.vr);
    EXPECT_EQ(HeldHex(value), FixtureHex(c.stored));
    EXPECT_EQ(value.Length() % 2, 0u);
    EXPECT_EQ(value.Items(), nullptr);
  }

  const ElementValue empty(vr::LO, "");
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_EQ(empty.Data(), nullptr);
}

TEST(ElementValueTest, SequenceLengthFollowsItsItems) {
  const ElementValue none{Sequence{}};
  EXPECT_EQ(none.Vr(), vr::SQ);
  EXPECT_EQ(none.Length(), 0u);
  ASSERT_NE(none.Items(), nullptr);
  EXPECT_TRUE(none.Items()->empty());

  const ElementValue one{Sequence{std::make_shared<const DataSet>()}};
  EXPECT_EQ(one.Length(), kUndefinedLength);
  ASSERT_NE(one.Items(), nullptr);
  EXPECT_EQ(one.Items()->size(), 1u);

  // What a reader builds keeps the length it is given, even for no items.
  const ElementValue read(Sequence{}, kUndefinedLength);
  EXPECT_EQ(read.Length(), kUndefinedLength);
  ASSERT_NE(read.Items(), nullptr);
  EXPECT_TRUE(read.Items()->empty());
}

TEST(ElementValueTest, NumberReadersStayInsideTheValue) {
  auto data = std::make_unique<std::uint8_t[]>(3);
  data[0] = 0x34;  // 0x1234 little-endian
  data[1] = 0x12;
  data[2] = 0x56;  // a lone byte: not a whole second value
  const ElementValue odd(vr::US, 3, std::move(data));

  EXPECT_EQ(odd.GetUS(0), 0x1234);
  EXPECT_EQ(odd.GetUS(1), 0);
  EXPECT_EQ(odd.GetUL(0), 0u);
  EXPECT_EQ(odd.GetUS(0xFFFFFFFF), 0);

  std::uint16_t out = 0xBEEF;
  EXPECT_TRUE(odd.GetUS(out, 0));
  EXPECT_EQ(out, 0x1234);
  out = 0xBEEF;
  EXPECT_FALSE(odd.GetUS(out, 1));
  EXPECT_EQ(out, 0xBEEF);
  EXPECT_FALSE(odd.GetUS(out, 0x80000000));
  EXPECT_EQ(out, 0xBEEF);

  const ElementValue empty(vr::US);
  EXPECT_FALSE(empty.GetUS(out, 0));
  EXPECT_EQ(out, 0xBEEF);
}

struct TextCase {
  VrCode stored;  // VR the value is built with
  std::string_view text;
  VrCode named;  // VR handed to Text
  std::string_view expected;
};

TEST(ElementValueTest, TextTrimsAsTheNamedVr) {
  using namespace std::string_view_literals;
  const TextCase cases[] = {
      {vr::AE, "  STORE  ", vr::AE, "STORE"},
      {vr::AE, "    ", vr::AE, ""},
      {vr::CS, " A B ", vr::CS, "A B"},
      {vr::LO, "  x  ", vr::LO, "x"},
      {vr::PN, "  STORE  ", vr::PN, "  STORE"},
      {vr::UI, "1.2.3", vr::UI, "1.2.3"},  // held as "1.2.3\0"
      {vr::UI, "1.2.3", vr::OB, "1.2.3\0"sv},
      {vr::OB, "  AB  ", vr::OB, "  AB  "},
      {vr::UT, "  free text  ", vr::UT, "  free text"},
      {vr::UC, " code  ", vr::UC, " code"},
      {vr::UR, "http://h/  ", vr::UR, "http://h/"},
      {vr::DA, " 20240102  ", vr::DA, " 20240102"},
      {vr::DT, " 20240102  ", vr::DT, " 20240102"},
      {vr::LO, "  STORE  ", vr::AE, "STORE"},  // named VR wins over the value's own
      {vr::AE, "  STORE  ", vr::OB, "  STORE   "},
      {vr::AE, "  STORE  ", MakeVr('Z', 'Z'), "  STORE   "},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(VrName(c.stored) + " \"" + std::string(c.text) + "\" as " + VrName(c.named));
    EXPECT_EQ(ElementValue(c.stored, c.text).Text(c.named), c.expected);
  }
  EXPECT_EQ(ElementValue(vr::LO).Text(vr::LO), "");
}

struct TextValueCase {
  std::string_view text;
  std::uint32_t index;
  std::string_view expected;
};

TEST(ElementValueTest, TextValuePicksOneBackslashSeparatedValue) {
  const TextValueCase cases[] = {
      {"FIRST\\SECOND", 0, "FIRST"},
      {"FIRST\\SECOND", 1, "SECOND"},
      {"FIRST\\SECOND", 2, ""},
      {"", 0, ""},
      {"A\\\\C", 0, "A"},
      {"A\\\\C", 1, ""},
      {"A\\\\C", 2, "C"},
      {"A\\", 1, ""},
      {"\\B", 0, ""},
      {"\\B", 1, "B"},
  };
  for (const TextValueCase& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.text << "\" #" << c.index);
    EXPECT_EQ(ElementValue(vr::CS, c.text).TextValue(vr::CS, c.index), c.expected);
  }
}

struct TypedCase {
  const char* name;
  std::function<ElementValue()> make;
  VrCode vr;
  std::string_view stored;  // hex, little-endian
  std::function<bool(const ElementValue&)> readsBack;
};

TEST(ElementValueTest, TypedConstructorsHoldOneLittleEndianNumber) {
  const TypedCase cases[] = {
      {"US", [] { return ElementValue::FromUS(0xBEEF); }, vr::US, "EF BE",
       [](const ElementValue& v) { return v.GetUS() == 0xBEEF; }},
      {"SS", [] { return ElementValue::FromSS(-2); }, vr::SS, "FE FF",
       [](const ElementValue& v) { return v.GetSS() == -2; }},
      {"UL", [] { return ElementValue::FromUL(0x01020304); }, vr::UL, "04 03 02 01",
       [](const ElementValue& v) { return v.GetUL() == 0x01020304u; }},
      {"SL", [] { return ElementValue::FromSL(-70000); }, vr::SL, "90 EE FE FF",
       [](const ElementValue& v) { return v.GetSL() == -70000; }},
      {"FL", [] { return ElementValue::FromFL(1.5f); }, vr::FL, "00 00 C0 3F",
       [](const ElementValue& v) { return v.GetFL() == 1.5f; }},
      {"FD", [] { return ElementValue::FromFD(-2.25); }, vr::FD, "00 00 00 00 00 00 02 C0",
       [](const ElementValue& v) { return v.GetFD() == -2.25; }},
  };
  for (const TypedCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ElementValue value = c.make();
    EXPECT_EQ(value.Vr(), c.vr);
    EXPECT_EQ(HeldHex(value), FixtureHex(c.stored));
    EXPECT_TRUE(c.readsBack(value));
  }
}

TEST(ElementValueTest, RulesForEachVr) {
  const VrCode known[] = {vr::AE, vr::AS, vr::AT, vr::CS, vr::DA, vr::DS, vr::DT, vr::FD, vr::FL,
                          vr::IS, vr::LO, vr::LT, vr::OB, vr::OD, vr::OF, vr::OL, vr::OV, vr::OW,
                          vr::PN, vr::SH, vr::SL, vr::SQ, vr::SS, vr::ST, vr::SV, vr::TM, vr::UC,
                          vr::UI, vr::UL, vr::UN, vr::UR, vr::US, vr::UT, vr::UV};
  const std::string longForm = " OB OW SQ UN UC UR UT OD OF OL OV SV UV ";
  const std::string swap2 = " AT OW SS US ";
  const std::string swap4 = " SL UL FL OF OL ";
  const std::string swap8 = " FD OD OV SV UV ";
  for (VrCode code : known) {
    const std::string name = " " + VrName(code) + " ";
    SCOPED_TRACE(name);
    const VrRules& rules = RulesFor(code);
    EXPECT_EQ(rules.longLength, longForm.find(name) != std::string::npos);
    unsigned unit = 0;
    if (swap2.find(name) != std::string::npos) unit = 2;
    if (swap4.find(name) != std::string::npos) unit = 4;
    if (swap8.find(name) != std::string::npos) unit = 8;
    EXPECT_EQ(rules.swapUnit, unit);
  }

  const VrRules& unknown = RulesFor(MakeVr('Z', 'Z'));
  EXPECT_EQ(unknown.padByte, ' ');
  EXPECT_EQ(unknown.trim, Trim::None);
  EXPECT_FALSE(unknown.longLength);
  EXPECT_EQ(unknown.swapUnit, 0);
}

struct RepeatingCase {
  Tag tag;
  bool overlay;
  bool curve;
};

TEST(ElementValueTest, OverlayAndCurveDataInEveryRepeatingGroup) {
  const RepeatingCase cases[] = {
      {MakeTag(0x6000, 0x3000), true, false},  {MakeTag(0x6002, 0x3000), true, false},
      {MakeTag(0x60FE, 0x3000), true, false},  {MakeTag(0x6100, 0x3000), false, false},
      {MakeTag(0x6000, 0x3001), false, false}, {MakeTag(0x5000, 0x3000), false, true},
      {MakeTag(0x501E, 0x3000), false, true},  {MakeTag(0x5100, 0x3000), false, false},
      {kPixelDataTag, false, false},
  };
  for (const RepeatingCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.tag);
    EXPECT_EQ(IsOverlayData(c.tag), c.overlay);
    EXPECT_EQ(IsCurveData(c.tag), c.curve);
  }
}

}  // namespace
}  // namespace dicom
