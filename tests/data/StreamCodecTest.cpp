#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "data/ByteStream.h"
#include "data/EncapsulatedPixelData.h"
#include "data/StreamCodec.h"
#include "net/MemoryByteStream.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"

namespace dicom {
namespace {

using testing_support::FromHex;
using testing_support::LeHex;
using testing_support::ToHex;
using enum CodecStatus;
constexpr TransferSyntax kIm = ImplicitLittleEndian, kLe = ExplicitLittleEndian,
                         kBe = ExplicitBigEndian;

std::string Encode(const DataSet& dataSet, TransferSyntax syntax, CodecStatus* status = nullptr) {
  MemoryByteStream stream;
  StreamCodec codec(stream, syntax);
  const std::uint64_t written = codec.WriteDataSet(dataSet);
  if (status) *status = codec.Status();
  EXPECT_EQ(written, stream.Pending());
  stream.Flush();
  return ToHex(stream.Output());
}

std::string Norm(std::string_view hex) {
  return ToHex(FromHex(hex));
}

ElementValue Raw(VrCode vr, const std::vector<std::uint8_t>& bytes) {
  auto data = std::make_unique<std::uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), data.get());
  return ElementValue(vr, static_cast<std::uint32_t>(bytes.size()), std::move(data));
}

struct Decoded {
  DataSet dataSet;
  CodecStatus status;
  std::uint64_t consumed;
};

// A whole message already in the stream, delivered in chunks of chunkSize.
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

TEST(StreamCodec, ElementHeaders) {
  struct {
    Tag tag;
    ElementValue value;
    TransferSyntax syntax;
    const char* bytes;
  } cases[] = {
      {0x00280010, ElementValue::FromUS(512), kLe, "28 00 10 00  55 53  02 00  00 02"},
      {0x00280010, ElementValue::FromUS(512), kBe, "00 28 00 10  55 53  00 02  02 00"},
      {0x00280010, ElementValue::FromUS(512), kIm, "28 00 10 00  02 00 00 00  00 02"},
      // UN goes out with the dictionary's VR when there is one, but never SQ: its bytes are no
      // items.
      {0x00280010, Raw(vr::UN, {0, 0}), kLe, "28 00 10 00  55 53  02 00  00 00"},
      {0x00080006, ElementValue(vr::UN, "ab"), kLe, "08 00 06 00  55 4e 00 00  02 00 00 00  61 62"},
      {0x00189087, ElementValue::FromFD(1.0), kBe,
       "00 18 90 87  46 44  00 08  3f f0 00 00 00 00 00 00"},
      {0x00209165, Raw(vr::AT, {0x20, 0, 0x10, 0}), kBe, "00 20 91 65  41 54  00 04  00 20 00 10"},
      {0x00282000, Raw(vr::OB, {1, 2, 3}), kLe,
       "28 00 00 20  4f 42 00 00  04 00 00 00  01 02 03 00"},
  };
  for (auto& c : cases) {
    MemoryByteStream stream;
    StreamCodec(stream, c.syntax)
        .WriteElement(DataElement{c.tag, std::make_shared<const ElementValue>(std::move(c.value))});
    stream.Flush();
    EXPECT_EQ(ToHex(stream.Output()), Norm(c.bytes));
  }
}

TEST(StreamCodec, SequencesAlwaysUndefinedLength) {
  DataSet first, second, dataSet;
  first.InsertUS(0x00186012, 1);
  second.InsertUS(0x00186014, 2);
  dataSet.Insert(0x00186011, Items({first, second}));
  dataSet.InsertSequence(0x00081140, {});
  EXPECT_EQ(Encode(dataSet, kLe), Norm(R"(
    08 00 40 11  53 51 00 00  00 00 00 00   # no items: length 0
    18 00 11 60  53 51 00 00  ff ff ff ff
    fe ff 00 e0  ff ff ff ff  18 00 12 60  55 53 02 00  01 00  fe ff 0d e0  00 00 00 00
    fe ff 00 e0  ff ff ff ff  18 00 14 60  55 53 02 00  02 00  fe ff 0d e0  00 00 00 00
    fe ff dd e0  00 00 00 00)"));
}

// A value the syntax cannot carry stops the writer after the elements before it.
TEST(StreamCodec, UnwritableValuesStopTheWriter) {
  struct {
    ElementValue value;
    TransferSyntax syntax;
    CodecStatus status;
  } cases[] = {
      {ElementValue(vr::LO, std::string(65536, 'a')), kLe, ValueNotWritable},
      {ElementValue(vr::LO, std::string(65536, 'a')), kIm, Good},              // 4-byte length
      {Raw(vr::LO, std::vector<std::uint8_t>(65535)), kLe, ValueNotWritable},  // needs its pad
      {Raw(vr::US, {1, 2, 3}), kBe, ValueNotWritable},
  };
  for (auto& c : cases) {
    DataSet dataSet;
    dataSet.InsertText(0x00080005, vr::CS, "ISO_IR 100");
    dataSet.Insert(0x00081030, std::make_shared<const ElementValue>(std::move(c.value)));
    CodecStatus status;
    const std::string bytes = Encode(dataSet, c.syntax, &status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(FromHex(bytes).size() == 18u, status != Good);
  }
}

TEST(StreamCodec, ImplicitVrComesFromRulesAndDictionary) {
  const Decoded decoded = Decode(FromHex(R"(
    00 00 00 01  02 00 00 00  20 00         # command: UN
    09 00 01 10  02 00 00 00  01 02         # private: UN
    10 00 10 00  04 00 00 00  44 6f 65 20   # PN from the dictionary
    02 50 00 30  02 00 00 00  01 02         # curve data: OB
    04 60 00 30  02 00 00 00  ff 00         # overlay data: OW
    00 61 00 30  02 00 00 00  ff 00         # odd group, no overlay: UN
    e0 7f 10 00  02 00 00 00  01 00         # pixel data: OW, although listed as OB
  )"),
                                 kIm);
  ASSERT_EQ(decoded.status, Good);
  std::string vrs;
  for (const auto& [tag, value] : decoded.dataSet)
    vrs += {VrFirst(value->Vr()), VrSecond(value->Vr()), ' '};
  EXPECT_EQ(vrs, "UN UN PN OB OW UN OW ");
}

// The catalogue of bad data: each input with the status it must end with and the elements kept.
TEST(StreamCodec, ReadingStopsAndFails) {
  const std::string a = "08 00 05 00 02 00 00 00 41 20 ";  // (0008,0005) implicit
  const std::string sq = "08 00 40 11 53 51 00 00 ff ff ff ff ";
  const struct {
    TransferSyntax syntax;
    std::string bytes;
    CodecStatus status;
    std::size_t kept;  // at every depth
  } cases[] = {
      {kIm, "08 00 00 00 04 00 00 00 ff ff 00 00 " + a, Good, 1},  // lying group length dropped
      {kIm, a + "fc ff fc ff 02 00 00 00 00 00 10 00 10 00 02 00 00 00 41 20", Good, 1},
      {kIm, a + "fe ff 0d e0 00 00 00 00 10 00 10 00 02 00 00 00 41 20", Good, 1},
      {kIm, a + "08 00 05 00 02 00 00 00 42 20", Good, 1},
      {kIm, a + "fe ff 0d e0 04 00 00 00", DelimiterWithLength, 1},
      {kIm, a + "fe ff 00 e0 00 00 00 00", UnexpectedItem, 1},
      {kLe, sq + "08 00 05 00 43 53 02 00 41 20", UnexpectedTagInSequence, 0},
      {kIm, "fe ff dd e0 00 00 00 00", UnexpectedSequenceDelimiter, 0},
      {kIm, "10 00 10 00 01 5a 62 02", ValueNotDelivered, 0},  // 40,000,001, none there
      // Undefined length on a non-SQ element: read as a sequence, which holds no items here.
      {kLe, "09 00 10 00 4f 42 00 00 ff ff ff ff 41 42 43 44 00 00 00 00", UnexpectedTagInSequence,
       0},
      {kBe, "00 28 00 10 55 53 00 03 01 02 03", Good, 1},  // odd length of a swapped VR, kept
      {kLe, "08 00 40 11 53 51 00 00 08 00 00 00 fe ff 00 e0 00 00 00 00", Good, 1},  // empty item
      {kLe, "08 00 40 11 53 51 00 00 00 00 00 00 10 00 10 00 50 4e 02 00 41 20", Good, 2},
      // Defined lengths, sequence and item: no delimitations.
      {kLe,
       "08 00 40 11 53 51 00 00 16 00 00 00 fe ff 00 e0 0e 00 00 00 "
       "08 00 55 11 55 49 06 00 31 2e 32 2e 33 00 10 00 10 00 50 4e 02 00 41 20",
       Good, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const Decoded decoded = Decode(FromHex(c.bytes), c.syntax);
    EXPECT_EQ(decoded.status, c.status);
    EXPECT_EQ(decoded.dataSet.CountElements(true), c.kept);
  }
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
  EXPECT_EQ(Decode(Nested(kMaxNestingDepth), kIm).status, Good);
  EXPECT_EQ(Decode(Nested(kMaxNestingDepth + 1), kIm).status, NestingTooDeep);
}

DataSet Mixed() {
  DataSet item, inner, dataSet;
  inner.InsertFD(0x00189087, -2.5);
  item.InsertText(0x00081150, vr::UI, "1.2.840.10008.5.1.4.1.1.7");
  item.Insert(0x00081199, Items({inner}));
  dataSet.InsertText(0x00100010, vr::PN, "Doe^John");
  dataSet.InsertSS(0x00280106, -7);
  dataSet.InsertFL(0x00181300, 0.5f);
  dataSet.Insert(0x00209165, std::make_shared<const ElementValue>(Raw(vr::AT, {16, 0, 32, 0})));
  dataSet.Insert(0x00081140, Items({item, item}));
  dataSet.Insert(kPixelDataTag, std::make_shared<const ElementValue>(Raw(vr::OW, {1, 2, 3, 4})));
  return dataSet;
}

// Written in each syntax and read back, the data set is the same; any chunking gives the same
// result; a cut either falls between two elements or is reported.
TEST(StreamCodec, RoundTripAtEverySplitPoint) {
  std::vector<std::pair<TransferSyntax, std::vector<std::uint8_t>>> fixtures;
  DataSet dataSet = Mixed();
  dataSet.InsertText(0x00282000, vr::OB, std::string(3000, 'p'));  // many chunks long
  const std::string reference = Encode(dataSet, kLe);
  for (TransferSyntax syntax : {kIm, kLe, kBe})
    fixtures.emplace_back(syntax, FromHex(Encode(dataSet, syntax)));
  fixtures.emplace_back(kIm, Nested(5));

  for (const auto& [syntax, bytes] : fixtures) {
    SCOPED_TRACE(testing::Message() << "syntax " << syntax << ", " << bytes.size() << " bytes");
    const Decoded whole = Decode(bytes, syntax, static_cast<std::uint32_t>(bytes.size()));
    ASSERT_EQ(whole.status, Good);
    const std::string expected = Encode(whole.dataSet, kLe);
    if (whole.dataSet.Contains(kPixelDataTag)) {  // the mixed data set, not the nesting
      // Implicit VR gives the dictionary's VRs, which differ for some of these.
      EXPECT_TRUE(syntax == kIm || expected == reference);
      EXPECT_EQ(whole.dataSet.CountElements(true), dataSet.CountElements(true));
    }
    for (std::uint32_t chunk = 1; chunk <= bytes.size(); chunk += chunk < 64 ? 1 : 97) {
      const Decoded split = Decode(bytes, syntax, chunk);
      ASSERT_EQ(split.status, Good) << "chunk " << chunk;
      ASSERT_EQ(split.consumed, bytes.size());
      ASSERT_EQ(Encode(split.dataSet, kLe), expected) << "chunk " << chunk;
    }
    std::vector<std::size_t> boundaries{0};
    for (const auto& [tag, value] : whole.dataSet) {
      DataSet one;
      one.Insert(tag, value);
      boundaries.push_back(boundaries.back() + FromHex(Encode(one, syntax)).size());
    }
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
      const Decoded truncated = Decode({bytes.begin(), bytes.begin() + cut}, syntax, 7);
      const bool between = std::ranges::find(boundaries, cut) != boundaries.end();
      ASSERT_EQ(truncated.status, between ? Good : ValueNotDelivered) << "cut at " << cut;
    }
  }
}

// Pixel data in an encapsulated syntax: each row is a whole message, read, looked up frame by
// frame and written back. `frames` are the frames that are found, from 0; the next one fails
// with `next`.
TEST(StreamCodec, EncapsulatedPixelData) {
  // (0028,0008) IS "2" and "3"
  const std::string two = "28 00 08 00 49 53 02 00 32 20 ",
                    three = "28 00 08 00 49 53 02 00 33 20 ";
  const std::string pix = "e0 7f 10 00 4f 42 00 00 ff ff ff ff ";
  const std::string end = "fe ff dd e0 00 00 00 00";
  const std::string f12 = "fe ff 00 e0 02 00 00 00 01 02 ", f34 = "fe ff 00 e0 02 00 00 00 03 04 ";
  const std::string noTable = "fe ff 00 e0 00 00 00 00 ";
  const auto table = [](int first, int second) {  // a basic offset table of two frames
    return "fe ff 00 e0 08 00 00 00 " + LeHex(first, 4) + LeHex(second, 4);
  };
  const std::string eot =
      "e0 7f 01 00 4f 56 00 00 10 00 00 00 00 00 00 00 00 00 00 00 "
      "0a 00 00 00 00 00 00 00 e0 7f 02 00 4f 56 00 00 10 00 00 00 "
      "02 00 00 00 00 00 00 00 ";  // offsets 0, 10; lengths 2 and ...
  const auto eotTo = [&](int last) { return two + eot + LeHex(last, 8) + pix; };
  using F = FrameStatus;
  const struct {
    std::string hex;
    CodecStatus read;
    std::vector<std::string> frames;
    FrameStatus next;
  } cases[] = {
      // clang-format off
      {pix + noTable + f12 + f34 + end, Good, {"01 02 03 04"}, F::FrameOutOfRange},
      {two + pix + noTable + f12 + f34 + end, Good, {"01 02", "03 04"}, F::FrameOutOfRange},
      {two + pix + table(0, 20) + f12 + f34 + "fe ff 00 e0 02 00 00 00 05 06 " + end, Good,
       {"01 02 03 04", "05 06"}, F::FrameOutOfRange},
      {eotTo(3) + noTable + f12 + "fe ff 00 e0 04 00 00 00 03 04 05 00 " + end, Good,
       {"01 02", "03 04 05"}, F::FrameOutOfRange},
      {eotTo(5) + noTable + f12 + f34 + end, Good, {"01 02"}, F::LengthPastFragments},
      {two + pix + table(0, 40) + f12 + f34 + end, Good, {}, F::OffsetOutside},
      {two + pix + table(0, 4) + f12 + f34 + end, Good, {}, F::OffsetBetweenFragments},
      {two + pix + table(10, 0) + f12 + f34 + end, Good, {}, F::OffsetsOutOfOrder},
      {pix + table(0, 10) + f12 + f34 + end, Good, {}, F::OffsetCountMismatch},
      {three + pix + noTable + f12 + f34 + end, Good, {}, F::FragmentsNotFrames},
      {pix + noTable + "fe ff 00 e0 10 00 00 00 01 02 " + end, ValueNotDelivered, {}, {}},
      {pix + noTable + "e0 7f 10 00 02 00 00 00 01 02 " + end, NotAFragment, {}, {}},
      {pix + noTable + "fe ff 00 e0 03 00 00 00 01 02 03 " + end, OddFragmentLength, {}, {}},
      {pix + "fe ff 00 e0 02 00 00 00 00 00 " + end, BadOffsetTable, {}, {}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const Decoded decoded = Decode(FromHex(c.hex), JpegLossless, 7);
    ASSERT_EQ(decoded.status, c.read) << Describe(decoded.status);
    if (c.read != Good) continue;
    EXPECT_EQ(Encode(decoded.dataSet, JpegLossless), Norm(c.hex));
    CodecStatus status;
    Encode(decoded.dataSet, kLe, &status);
    EXPECT_EQ(status, ValueNotWritable) << "fragments only in an encapsulated syntax";
    const EncapsulatedFrames frames(decoded.dataSet);
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t i = 0; i < c.frames.size(); ++i) {
      ASSERT_EQ(frames.Get(i, bytes), FrameStatus::Good) << i;
      EXPECT_EQ(ToHex(bytes), Norm(c.frames[i]));
    }
    EXPECT_EQ(frames.Get(static_cast<std::uint32_t>(c.frames.size()), bytes), c.next)
        << Describe(c.next);
  }
}

}  // namespace
}  // namespace dicom
