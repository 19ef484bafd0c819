#include <gtest/gtest.h>

#include "data/StreamCodec.h"
#include "net/MemoryByteStream.h"
#include "support/Hex.h"

namespace dicom {
namespace {

using testing_support::FromHex;
using testing_support::ToHex;

std::string Encode(const DataSet& dataSet, TransferSyntax syntax, CodecStatus* status = nullptr) {
  MemoryByteStream stream;
  StreamCodec codec(stream, syntax);
  const std::uint64_t written = codec.WriteDataSet(dataSet);
  if (status) *status = codec.Status();
  EXPECT_EQ(written, stream.Pending());
  stream.Flush();
  return ToHex(stream.Output());
}

std::string EncodeElement(Tag tag, ElementValue value, TransferSyntax syntax) {
  MemoryByteStream stream;
  StreamCodec(stream, syntax)
      .WriteElement(DataElement{tag, std::make_shared<const ElementValue>(std::move(value))});
  stream.Flush();
  return ToHex(stream.Output());
}

// A received message as it sits in the stream before decoding, delivered in chunks of chunkSize.
struct Decoded {
  DataSet dataSet;
  CodecStatus status;
  std::uint64_t consumed;
};
Decoded Decode(const std::vector<std::uint8_t>& bytes, TransferSyntax syntax,
               std::uint32_t chunkSize = 1024) {
  MemoryByteStream stream(bytes, chunkSize);
  stream.ReadAhead(static_cast<std::uint32_t>(bytes.size()));
  StreamCodec codec(stream, syntax);
  Decoded result;
  result.consumed = codec.ReadDataSet(result.dataSet);
  result.status = codec.Status();
  EXPECT_EQ(stream.Buffered(), 0u) << "nothing of the message may stay behind";
  return result;
}

ValuePtr Items(std::vector<DataSet> items) {
  Sequence sequence;
  for (DataSet& item : items)
    sequence.push_back(std::make_shared<DataSet>(std::move(item)));
  return std::make_shared<const ElementValue>(std::move(sequence));
}

TEST(StreamCodec, CommandSetGetsGroupLengthFirst) {
  DataSet command;
  command.InsertText(0x00000002, vr::UI, "1.2.840.10008.5.1.4.1.1.7");  // 25 chars + NUL
  command.InsertUS(0x00000100, 0x0001);
  command.InsertUS(0x00000110, 7);
  command.InsertUS(0x00000800, 0x0101);
  const std::string expected = ToHex(FromHex(R"(
    00 00 00 00  04 00 00 00  40 00 00 00           # (0000,0000) UL 4: 34 + 3 x 10 = 64
    00 00 02 00  1a 00 00 00                        # (0000,0002) 26 bytes
    31 2e 32 2e 38 34 30 2e 31 30 30 30 38 2e 35 2e 31 2e 34 2e 31 2e 31 2e 37 00
    00 00 00 01  02 00 00 00  01 00                 # (0000,0100) US 0x0001
    00 00 10 01  02 00 00 00  07 00                 # (0000,0110) US 7
    00 00 00 08  02 00 00 00  01 01                 # (0000,0800) US 0x0101
  )"));
  EXPECT_EQ(Encode(command, ImplicitLittleEndian), expected);
  EXPECT_EQ(FromHex(expected).size(), 76u);
}

TEST(StreamCodec, FindRequestGroupLength) {
  DataSet command;
  command.InsertText(0x00000002, vr::UI, "1.2.840.10008.5.1.4.1.2.2.1");  // 27 chars + NUL
  command.InsertUS(0x00000100, 0x0020);
  command.InsertUS(0x00000110, 21);
  command.InsertUS(0x00000700, 0);
  command.InsertUS(0x00000800, 0x0102);
  const std::vector<std::uint8_t> bytes = FromHex(Encode(command, ImplicitLittleEndian));
  EXPECT_EQ(ToHex(std::span(bytes).first(12)), "00 00 00 00 04 00 00 00 4c 00 00 00");  // 76
  EXPECT_EQ(bytes.size(), 12u + 76u);
}

TEST(StreamCodec, NoGroupLengthOutsideGroupsZeroAndTwo) {
  DataSet dataSet;
  dataSet.InsertText(0x00080005, vr::CS, "ISO_IR 100");
  EXPECT_EQ(Encode(dataSet, ImplicitLittleEndian),
            ToHex(FromHex("08 00 05 00  0a 00 00 00  49 53 4f 5f 49 52 20 31 30 30")));
}

TEST(StreamCodec, ElementHeaders) {
  auto ob = std::make_unique<std::uint8_t[]>(2);
  ob[1] = 1;
  struct Case {
    const char* name;
    Tag tag;
    ElementValue value;
    TransferSyntax syntax;
    const char* bytes;
  };
  Case cases[] = {
      {"US explicit LE", 0x00280010, ElementValue::FromUS(512), ExplicitLittleEndian,
       "28 00 10 00  55 53  02 00  00 02"},
      {"US explicit BE: numbers swapped, VR characters not", 0x00280010, ElementValue::FromUS(512),
       ExplicitBigEndian, "00 28 00 10  55 53  00 02  02 00"},
      {"US implicit", 0x00280010, ElementValue::FromUS(512), ImplicitLittleEndian,
       "28 00 10 00  02 00 00 00  00 02"},
      {"OB long form", 0x00020001, ElementValue(vr::OB, 2, std::move(ob)), ExplicitLittleEndian,
       "02 00 01 00  4f 42 00 00  02 00 00 00  00 01"},
      {"UN known to the dictionary as US", 0x00280010,
       ElementValue(vr::UN, 2, std::make_unique<std::uint8_t[]>(2)), ExplicitLittleEndian,
       "28 00 10 00  55 53  02 00  00 00"},
      {"UN unknown stays UN, long form", 0x00091001, ElementValue(vr::UN, "ab"),
       ExplicitLittleEndian, "09 00 01 10  55 4e 00 00  02 00 00 00  61 62"},
      {"UT long form", 0x00080119, ElementValue(vr::UT, "xy"), ExplicitLittleEndian,
       "08 00 19 01  55 54 00 00  02 00 00 00  78 79"},
      {"text is never swapped", 0x00100010, ElementValue(vr::PN, "Ab"), ExplicitBigEndian,
       "00 10 00 10  50 4e  00 02  41 62"},
      {"SS swapped", 0x00280106, ElementValue::FromSS(-2), ExplicitBigEndian,
       "00 28 01 06  53 53  00 02  ff fe"},
      {"UL swapped", 0x00081161, ElementValue::FromUL(0x01020304), ExplicitBigEndian,
       "00 08 11 61  55 4c  00 04  01 02 03 04"},
      {"FL swapped", 0x00181300, ElementValue::FromFL(1.0f), ExplicitBigEndian,
       "00 18 13 00  46 4c  00 04  3f 80 00 00"},
      {"FD swapped", 0x00189087, ElementValue::FromFD(1.0), ExplicitBigEndian,
       "00 18 90 87  46 44  00 08  3f f0 00 00 00 00 00 00"},
      {"AT as two 16-bit numbers", 0x00209165, ElementValue::FromUL(0x00200010), ExplicitBigEndian,
       "00 20 91 65  55 4c  00 04  00 20 00 10"},
      {"empty value", 0x00100020, ElementValue(vr::LO), ExplicitLittleEndian,
       "10 00 20 00  4c 4f  00 00"},
      {"odd raw value padded with its VR's pad byte", 0x00282000,
       ElementValue(vr::OB, 3, std::unique_ptr<std::uint8_t[]>(new std::uint8_t[3]{1, 2, 3})),
       ExplicitLittleEndian, "28 00 00 20  4f 42 00 00  04 00 00 00  01 02 03 00"},
  };
  for (Case& c : cases) {
    EXPECT_EQ(EncodeElement(c.tag, std::move(c.value), c.syntax), ToHex(FromHex(c.bytes)))
        << c.name;
  }
}

TEST(StreamCodec, SequencesAlwaysUndefinedLength) {
  DataSet first, second, dataSet;
  first.InsertUS(0x00186012, 1);
  second.InsertUS(0x00186014, 2);
  dataSet.Insert(0x00186011, Items({first, second}));
  dataSet.InsertSequence(0x00081140, {});
  EXPECT_EQ(Encode(dataSet, ExplicitLittleEndian), ToHex(FromHex(R"(
    08 00 40 11  53 51 00 00  00 00 00 00   # (0008,1140) SQ, no items: length 0, nothing more
    18 00 11 60  53 51 00 00  ff ff ff ff   # (0018,6011) SQ, undefined length
    fe ff 00 e0  ff ff ff ff                #   item, undefined length
    18 00 12 60  55 53 02 00  01 00         #     (0018,6012) US 1
    fe ff 0d e0  00 00 00 00                #   item delimitation
    fe ff 00 e0  ff ff ff ff                #   item
    18 00 14 60  55 53 02 00  02 00         #     (0018,6014) US 2
    fe ff 0d e0  00 00 00 00                #   item delimitation
    fe ff dd e0  00 00 00 00                # sequence delimitation
  )")));
}

TEST(StreamCodec, UnwritableValuesFailTheWriter) {
  struct Case {
    const char* name;
    ElementValue value;
    TransferSyntax syntax;
    CodecStatus status;
  };
  Case cases[] = {
      {"LO of 65536 bytes behind a 2-byte length", ElementValue(vr::LO, std::string(65536, 'a')),
       ExplicitLittleEndian, CodecStatus::ValueNotWritable},
      {"the same in implicit VR has a 4-byte length", ElementValue(vr::LO, std::string(65536, 'a')),
       ImplicitLittleEndian, CodecStatus::Good},
      {"LO of 65534 bytes", ElementValue(vr::LO, std::string(65534, 'a')), ExplicitLittleEndian,
       CodecStatus::Good},
      {"raw LO of 65535 bytes needs 65536 with its pad",
       ElementValue(vr::LO, 65535, std::make_unique<std::uint8_t[]>(65535)), ExplicitLittleEndian,
       CodecStatus::ValueNotWritable},
      {"US of 3 bytes swapped", ElementValue(vr::US, 3, std::make_unique<std::uint8_t[]>(3)),
       ExplicitBigEndian, CodecStatus::ValueNotWritable},
      {"US of 3 bytes padded in little-endian",
       ElementValue(vr::US, 3, std::make_unique<std::uint8_t[]>(3)), ExplicitLittleEndian,
       CodecStatus::Good},
  };
  for (Case& c : cases) {
    DataSet dataSet;
    dataSet.InsertText(0x00080005, vr::CS, "ISO_IR 100");
    dataSet.Insert(0x00081030, std::make_shared<const ElementValue>(std::move(c.value)));
    dataSet.InsertText(0x00100010, vr::PN, "Doe");
    CodecStatus status;
    const std::string bytes = Encode(dataSet, c.syntax, &status);
    EXPECT_EQ(status, c.status) << c.name;
    if (status != CodecStatus::Good) {
      EXPECT_EQ(FromHex(bytes).size(), 18u) << c.name << ": nothing after the last good element";
    }
  }
}

TEST(StreamCodec, ImplicitVrComesFromRulesAndDictionary) {
  const Decoded decoded = Decode(FromHex(R"(
    00 00 00 01  02 00 00 00  20 00         # (0000,0100): command elements keep UN
    09 00 01 10  02 00 00 00  01 02         # (0009,1001): private, UN
    10 00 10 00  04 00 00 00  44 6f 65 20   # (0010,0010): PN from the dictionary
    04 60 00 30  02 00 00 00  ff 00         # (6004,3000): overlay data is OW by rule
    e0 7f 10 00  02 00 00 00  01 00         # (7FE0,0010): OW by rule, although listed as OB
  )"),
                                 ImplicitLittleEndian);
  ASSERT_EQ(decoded.status, CodecStatus::Good);
  const std::pair<Tag, VrCode> expected[] = {{0x00000100, vr::UN},
                                             {0x00091001, vr::UN},
                                             {0x00100010, vr::PN},
                                             {0x60043000, vr::OW},
                                             {0x7FE00010, vr::OW}};
  for (const auto& [tag, vr] : expected) {
    ASSERT_TRUE(decoded.dataSet.Contains(tag));
    EXPECT_EQ(decoded.dataSet.GetValue(tag)->Vr(), vr) << std::hex << tag;
  }
}

TEST(StreamCodec, ReadingStopsAndFails) {
  struct Case {
    const char* name;
    TransferSyntax syntax;
    const char* bytes;
    CodecStatus status;
    std::vector<Tag> kept;
  };
  const Case cases[] = {
      {"group length dropped",
       ImplicitLittleEndian,
       "08 00 00 00  04 00 00 00  0a 00 00 00   08 00 05 00  02 00 00 00  41 20",
       CodecStatus::Good,
       {0x00080005}},
      {"trailing padding ends the data set",
       ImplicitLittleEndian,
       "08 00 05 00 02 00 00 00 41 20   fc ff fc ff 02 00 00 00 00 00   10 00 10 00 02 00 00 00 41 "
       "20",
       CodecStatus::Good,
       {0x00080005}},
      {"repeated tag keeps the first value",
       ImplicitLittleEndian,
       "08 00 05 00 02 00 00 00 41 20   08 00 05 00 02 00 00 00 42 20",
       CodecStatus::Good,
       {0x00080005}},
      {"item delimitation with a length",
       ImplicitLittleEndian,
       "08 00 05 00 02 00 00 00 41 20   fe ff 0d e0 04 00 00 00",
       CodecStatus::DelimiterWithLength,
       {0x00080005}},
      {"item where an element belongs",
       ImplicitLittleEndian,
       "08 00 05 00 02 00 00 00 41 20   fe ff 00 e0 00 00 00 00",
       CodecStatus::UnexpectedItem,
       {0x00080005}},
      {"element inside a sequence",
       ExplicitLittleEndian,
       "08 00 40 11 53 51 00 00 ff ff ff ff   08 00 05 00 43 53 02 00 41 20",
       CodecStatus::UnexpectedTagInSequence,
       {}},
      {"sequence delimitation where an element belongs",
       ImplicitLittleEndian,
       "fe ff dd e0 00 00 00 00",
       CodecStatus::UnexpectedSequenceDelimiter,
       {}},
      {"length above 40,000,000",
       ImplicitLittleEndian,
       "10 00 10 00  41 5a 62 02",
       CodecStatus::ValueTooLong,
       {}},
      {"value longer than the message: nothing allocated",
       ImplicitLittleEndian,
       "08 00 05 00 02 00 00 00 41 20   10 00 10 00  00 5a 62 02  41 42",
       CodecStatus::ValueNotDelivered,
       {0x00080005}},
      {"header cut short",
       ExplicitLittleEndian,
       "08 00 05 00 43 53 02 00 41 20   10 00 10",
       CodecStatus::ValueNotDelivered,
       {0x00080005}},
      {"sequence without its delimitation",
       ImplicitLittleEndian,
       "08 00 40 11 ff ff ff ff   fe ff 00 e0 ff ff ff ff   08 00 05 00 02 00 00 00 41 20",
       CodecStatus::ValueNotDelivered,
       {}},
      {"UT takes the long form in explicit VR",
       ExplicitLittleEndian,
       "08 00 19 01 55 54 00 00 02 00 00 00 41 20",
       CodecStatus::Good,
       {0x00080119}},
  };
  for (const Case& c : cases) {
    const Decoded decoded = Decode(FromHex(c.bytes), c.syntax);
    EXPECT_EQ(decoded.status, c.status) << c.name;
    std::vector<Tag> kept;
    for (const auto& [tag, value] : decoded.dataSet)
      kept.push_back(tag);
    EXPECT_EQ(kept, c.kept) << c.name;
  }
}

TEST(StreamCodec, LengthLimitIsInclusive) {
  std::vector<std::uint8_t> bytes = FromHex("e0 7f 10 00  00 5a 62 02");  // 40,000,000
  bytes.resize(bytes.size() + kMaxValueLength, 0x55);
  const Decoded decoded = Decode(bytes, ImplicitLittleEndian, 1 << 20);
  EXPECT_EQ(decoded.status, CodecStatus::Good);
  EXPECT_EQ(decoded.dataSet.GetValue(kPixelDataTag)->Length(), kMaxValueLength);
}

TEST(StreamCodec, DefinedLengthSequenceEndsWithoutDelimitation) {
  const Decoded decoded = Decode(FromHex(R"(
    08 00 40 11  53 51 00 00  28 00 00 00   # (0008,1140) SQ, 40 bytes
    fe ff 00 e0  20 00 00 00                #   item, 32 bytes
    08 00 50 11  55 49 0a 00  31 2e 32 2e 38 34 30 2e 31 00   # (0008,1150) UI, 18 bytes
    08 00 55 11  55 49 06 00  31 2e 32 2e 33 00               # (0008,1155) UI, 14 bytes
    10 00 10 00  50 4e 04 00  44 6f 65 20   # (0010,0010) PN after the sequence
  )"),
                                 ExplicitLittleEndian);
  ASSERT_EQ(decoded.status, CodecStatus::Good);
  const Sequence* items = decoded.dataSet.GetSequence(0x00081140);
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->size(), 1u);
  EXPECT_EQ(items->front()->GetText(0x00081155, vr::UI), "1.2.3");
  EXPECT_EQ(decoded.dataSet.GetText(0x00100010, vr::PN), "Doe");
  EXPECT_EQ(decoded.dataSet.GetValue(0x00081140)->Length(), kUndefinedLength);
}

// Items within items, depth levels deep, in implicit VR with undefined lengths.
std::vector<std::uint8_t> Nested(unsigned depth) {
  std::string hex;
  for (unsigned i = 0; i < depth; ++i)
    hex += "08 00 40 11 ff ff ff ff  fe ff 00 e0 ff ff ff ff ";
  hex += "08 00 05 00 02 00 00 00 41 20 ";
  for (unsigned i = 0; i < depth; ++i)
    hex += "fe ff 0d e0 00 00 00 00  fe ff dd e0 00 00 00 00 ";
  return FromHex(hex);
}

TEST(StreamCodec, NestingIsBounded) {
  EXPECT_EQ(Decode(Nested(kMaxNestingDepth), ImplicitLittleEndian).status, CodecStatus::Good);
  EXPECT_EQ(Decode(Nested(kMaxNestingDepth + 1), ImplicitLittleEndian).status,
            CodecStatus::NestingTooDeep);
  EXPECT_EQ(Decode(Nested(100000), ImplicitLittleEndian).status, CodecStatus::NestingTooDeep);
}

TEST(StreamCodec, RoundTripInEverySyntax) {
  DataSet item, inner, dataSet;
  inner.InsertFD(0x00189087, -2.5);
  item.InsertText(0x00081150, vr::UI, "1.2.840.10008.5.1.4.1.1.7");
  item.Insert(0x00081199, Items({inner}));
  dataSet.InsertText(0x00100010, vr::PN, "Doe^John");
  dataSet.InsertSS(0x00280106, -7);
  dataSet.InsertUL(0x00081161, 123456);
  dataSet.InsertSL(0x00186020, -99);
  dataSet.InsertFL(0x00181300, 0.5f);
  dataSet.InsertUL(0x00209165, 0x00100020);
  dataSet.Insert(0x00081140, Items({item, item}));
  auto words = std::make_unique<std::uint8_t[]>(6);
  for (int i = 0; i < 6; ++i)
    words[i] = static_cast<std::uint8_t>(i + 1);
  dataSet.InsertRaw(kPixelDataTag, vr::OW, 6, std::move(words));
  const std::string reference = Encode(dataSet, ExplicitLittleEndian);
  for (TransferSyntax syntax : {ImplicitLittleEndian, ExplicitLittleEndian, ExplicitBigEndian}) {
    const Decoded decoded = Decode(FromHex(Encode(dataSet, syntax)), syntax);
    ASSERT_EQ(decoded.status, CodecStatus::Good) << syntax;
    EXPECT_EQ(decoded.dataSet.CountElements(true), dataSet.CountElements(true));
    if (syntax != ImplicitLittleEndian) {
      EXPECT_EQ(Encode(decoded.dataSet, ExplicitLittleEndian), reference) << syntax;
    }
    EXPECT_EQ(decoded.dataSet.GetFL(0x00181300), 0.5f);
    EXPECT_EQ(decoded.dataSet.GetSS(0x00280106), -7);
    EXPECT_EQ(decoded.dataSet.GetUS(kPixelDataTag, 2), 0x0605);
  }
}

// Every fixture gives the same result whatever chunks the bytes arrive in, and every truncation
// either ends between two elements or reports that the data ended inside one.
TEST(StreamCodec, SplitPoints) {
  struct Fixture {
    const char* name;
    TransferSyntax syntax;
    std::vector<std::uint8_t> bytes;
  };
  DataSet item, dataSet;
  item.InsertUS(0x00186012, 1);
  dataSet.InsertText(0x00100010, vr::PN, "Doe^John");
  dataSet.Insert(0x00186011, Items({item, item}));
  dataSet.InsertUL(0x00209165, 0x00100020);
  dataSet.InsertText(0x7FE00010, vr::OW, std::string(3000, 'p'));
  std::vector<Fixture> fixtures;
  for (TransferSyntax syntax : {ImplicitLittleEndian, ExplicitLittleEndian, ExplicitBigEndian}) {
    fixtures.push_back({"encoded data set", syntax, FromHex(Encode(dataSet, syntax))});
  }
  fixtures.push_back({"nested", ImplicitLittleEndian, Nested(5)});

  for (const Fixture& f : fixtures) {
    const Decoded whole = Decode(f.bytes, f.syntax, static_cast<std::uint32_t>(f.bytes.size()));
    ASSERT_EQ(whole.status, CodecStatus::Good) << f.name;
    const std::string expected = Encode(whole.dataSet, ExplicitLittleEndian);
    for (std::uint32_t chunk = 1; chunk <= f.bytes.size(); chunk += chunk < 64 ? 1 : 97) {
      const Decoded split = Decode(f.bytes, f.syntax, chunk);
      ASSERT_EQ(split.status, CodecStatus::Good) << f.name << " chunk " << chunk;
      ASSERT_EQ(split.consumed, f.bytes.size());
      ASSERT_EQ(Encode(split.dataSet, ExplicitLittleEndian), expected) << f.name << " " << chunk;
    }

    std::vector<std::size_t> boundaries{0};
    for (const auto& [tag, value] : whole.dataSet) {
      DataSet one;
      one.Insert(tag, value);
      boundaries.push_back(boundaries.back() + FromHex(Encode(one, f.syntax)).size());
    }
    for (std::size_t cut = 0; cut < f.bytes.size(); ++cut) {
      const std::vector<std::uint8_t> prefix(f.bytes.begin(), f.bytes.begin() + cut);
      const Decoded truncated = Decode(prefix, f.syntax, 7);
      const bool atBoundary =
          std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
      ASSERT_EQ(truncated.status, atBoundary ? CodecStatus::Good : CodecStatus::ValueNotDelivered)
          << f.name << " cut at " << cut;
    }
  }
}

}  // namespace
}  // namespace dicom
