// Every decoder on frames that independent encoders make at test time (DCMTK, GDCM, OpenJPH), and
// on frames spoilt after encoding. Lossless frames must give back the source; lossy ones what the
// encoder's own toolkit decodes, within a tolerance.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "codecs/PixelDecoder.h"
#include "support/Programs.h"

namespace {

using namespace dicom::codecs;
using namespace testing_support;

// The images that pixels.py writes.
const std::map<std::string, PixelDescription> kSources = {
    {"grey8", {48, 64, 1, 8, 8, 0, 0, "MONOCHROME2"}},
    {"u16", {80, 96, 1, 16, 16, 0, 0, "MONOCHROME2"}},
    {"s16", {30, 40, 1, 16, 16, 1, 0, "MONOCHROME2"}},
    {"u12", {256, 256, 1, 16, 12, 0, 0, "MONOCHROME2"}},
    {"rgb8", {60, 80, 3, 8, 8, 0, 0, "RGB"}},
};

enum class Change { None, Truncate, AddRow, Garbage };

struct Row {
  std::string source;
  // {in.ext} is the source in that form, {out.ext} the encoder's output, {ref.ext} the reference.
  std::vector<std::string> encode;
  std::string syntax;  // after "1.2.840.10008.1.2."
  Change change = Change::None;
  DecodeStatus expected = DecodeStatus::Good;
  std::vector<std::string> reference = {};  // lossy: the reference decoder, else the source
  int tolerance = 0;
};

const std::vector<std::string> kJpegLossless = {"dcmcjpeg", "+e1", "{in.dcm}", "{out.dcm}"};
const std::vector<std::string> kJpegBaseline = {"dcmcjpeg", "+eb", "{in.dcm}", "{out.dcm}"};
const std::vector<std::string> kJpegExtended = {"dcmcjpeg", "+ee", "{in.dcm}", "{out.dcm}"};
const std::vector<std::string> kJpegLs = {"dcmcjpls", "{in.dcm}", "{out.dcm}"};
const std::vector<std::string> kRle = {"dcmcrle", "{in.dcm}", "{out.dcm}"};
const std::vector<std::string> kJ2k = {"gdcmconv", "--j2k", "{in.dcm}", "{out.dcm}"};
std::vector<std::string> Htj2k(const char* in, const char* mode, const char* value) {
  return {"ojph_compress", "-i", in, "-o", "{out.j2c}", mode, value};
}
std::vector<std::string> JpegLossless(const char* predictor, const char* pointTransform = "0") {
  return {"dcmcjpeg", "+el", "+sv", predictor, "+pt", pointTransform, "{in.dcm}", "{out.dcm}"};
}
std::vector<std::string> JpegLs(const char* option) {
  return {"dcmcjpls", option, "{in.dcm}", "{out.dcm}"};
}
const std::vector<std::string> kDcmdjpeg = {"dcmdjpeg", "{out.dcm}", "{ref.dcm}"};
const std::vector<std::string> kGdcmRaw = {"gdcmconv", "--raw", "{out.dcm}", "{ref.dcm}"};
const std::vector<std::string> kOjphExpand = {"ojph_expand", "-i", "{out.j2c}", "-o", "{ref.ppm}"};
const std::vector<std::string> kHtj2k = Htj2k("{in.pgm}", "-reversible", "true");

using enum Change;
using enum DecodeStatus;
// clang-format off
const std::vector<Row> kRows = {
    {"grey8", kJpegLossless, "4.70"},
    {"u16", JpegLossless("2"), "4.57"},
    {"grey8", JpegLossless("3"), "4.57"},
    {"u12", JpegLossless("5"), "4.57"},
    {"rgb8", JpegLossless("6"), "4.57"},
    {"s16", JpegLossless("7"), "4.57"},
    {"u16", JpegLossless("4", "2"), "4.57", None, Good, kDcmdjpeg},
    {"grey8", kJpegBaseline, "4.50", None, Good, kDcmdjpeg, 2},
    {"rgb8", kJpegBaseline, "4.50", None, Good, kDcmdjpeg, 3},
    {"u12", kJpegExtended, "4.51", None, UnsupportedSyntax},
    {"grey8", kJpegLs, "4.80"},
    {"u16", kJpegLs, "4.80"},
    {"rgb8", JpegLs("+in"), "4.80"},
    {"rgb8", JpegLs("+is"), "4.80"},
    {"u12", JpegLs("+en"), "4.81", None, Good, {}, 2},
    {"u16", kRle, "5"},
    {"rgb8", kRle, "5"},
    {"u12", kJ2k, "4.90"},
    {"s16", kJ2k, "4.90"},
    {"rgb8", kJ2k, "4.90"},
    {"grey8", {"gdcmconv", "--j2k", "--lossy", "-q", "30", "{in.dcm}", "{out.dcm}"}, "4.91", None,
     Good, kGdcmRaw, 1},
    {"grey8", kHtj2k, "4.201"},
    {"u12", kHtj2k, "4.202"},
    {"rgb8", Htj2k("{in.ppm}", "-reversible", "true"), "4.201"},
    {"rgb8", Htj2k("{in.ppm}", "-qstep", "0.01"), "4.203", None, Good, kOjphExpand, 1},
    // Spoilt frames: cut short, garbage, or with a description that does not fit them.
    {"grey8", kJpegLossless, "4.70", Truncate, Truncated},
    {"rgb8", kJpegLossless, "4.70", AddRow, Mismatch},
    {"grey8", kJpegLossless, "4.70", Garbage, Corrupt},
    {"grey8", kJpegLossless, "4.100", None, UnsupportedSyntax},
    {"grey8", kJpegBaseline, "4.50", Truncate, Truncated},
    {"rgb8", kJpegBaseline, "4.50", AddRow, Mismatch},
    {"rgb8", kJpegLs, "4.80", Truncate, Truncated},
    {"grey8", kJpegLs, "4.80", Garbage, Corrupt},
    {"u16", kRle, "5", Truncate, Truncated},
    {"grey8", kRle, "5", AddRow, Truncated},
    {"u12", kJ2k, "4.90", Truncate, Truncated},
    {"grey8", kHtj2k, "4.201", AddRow, Mismatch},
    {"grey8", kJ2k, "4.90", Garbage, Corrupt},
};
// clang-format on

class DecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"dcmcjpeg", "dcmcjpls", "dcmcrle", "gdcmconv", "ojph_compress"}) {
      if (!HaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    ASSERT_EQ(Python({"make", dir_.File("")}), 0);
  }

  int Python(std::vector<std::string> args) {
    args.insert(args.begin(), {kSystemPython, CODEC_TEST_SCRIPT});
    const CommandResult result = RunProgram(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.status;
  }

  // Runs the program with its placeholders filled in; gives the file that {prefix.ext} named.
  std::string Run(std::vector<std::string> argv, const std::string& prefix, const Row& row) {
    std::string named;
    for (std::string& arg : argv) {
      if (arg.front() != '{') continue;
      const std::string name = arg.substr(1, arg.size() - 2);
      const std::string base = name.substr(0, name.find('.'));
      arg = dir_.File(base == "in" ? row.source + name.substr(2) : prefix + name);
      if (base != "in") named = arg;
    }
    const CommandResult result = RunProgram(argv);
    EXPECT_EQ(result.status, 0) << argv[0] << ": " << result.err;
    return named;
  }

  TempDir dir_;
};

// The first frame of the file that the extract step left (or all of a PNM's samples), and its
// photometric interpretation.
std::string Frame(const std::string& file, std::string& photometric) {
  if (file.ends_with(".j2c")) return ReadFile(file);
  if (file.ends_with(".dcm")) photometric = ReadFile(file + ".bin.pi");
  return ReadFile(file + ".bin");
}

TEST_F(DecoderTest, DecodesWhatIndependentEncodersWrite) {
  // Encoding and the reference decoding first, so that one run of Python extracts every frame.
  std::vector<std::string> encoded, references, extract = {"extract"};
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    const std::string prefix = "row" + std::to_string(i) + "-";
    encoded.push_back(Run(kRows[i].encode, prefix, kRows[i]));
    references.push_back(kRows[i].reference.empty() ? ""
                                                    : Run(kRows[i].reference, prefix, kRows[i]));
    for (const std::string& file : {encoded.back(), references.back()}) {
      if (!file.empty() && !file.ends_with(".j2c")) extract.push_back(file);
    }
  }
  ASSERT_EQ(Python(extract), 0);

  for (std::size_t i = 0; i < kRows.size(); ++i) {
    const Row& row = kRows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + row.encode[0] + " " + row.source + " " +
                 row.syntax);
    PixelDescription description = kSources.at(row.source);
    std::string frame = Frame(encoded[i], description.photometricInterpretation);
    ASSERT_FALSE(frame.empty());
    if (row.change == Change::Truncate) frame.resize(frame.size() * 2 / 3);
    if (row.change == Change::AddRow) ++description.rows;
    if (row.change == Change::Garbage) {
      std::srand(static_cast<unsigned>(i));
      for (char& byte : frame)
        byte = static_cast<char>(std::rand());
    }

    DecodedFrame decoded;
    const DecodeResult result = DecodeFrame(
        "1.2.840.10008.1.2." + row.syntax,
        {reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()}, description, decoded);
    ASSERT_EQ(result.status, row.expected) << result.reason;
    if (!result.Ok()) {
      EXPECT_NE(result.reason.find(row.syntax), std::string::npos) << result.reason;
      continue;
    }
    EXPECT_EQ(decoded.description.photometricInterpretation,
              kSources.at(row.source).photometricInterpretation);
    std::string photometric;
    const std::string expected = row.reference.empty() ? ReadFile(dir_.File(row.source + ".raw"))
                                                       : Frame(references[i], photometric);
    ASSERT_EQ(decoded.samples.size(), expected.size());
    const bool wide = description.bitsAllocated == 16;
    int worst = 0;
    for (std::size_t s = 0; s < expected.size(); s += wide ? 2 : 1) {
      const auto sample = [&](const auto* bytes) {
        const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[s + k]); };
        return wide ? (at(0) | at(1) << 8) : at(0);
      };
      worst = std::max(worst, std::abs(sample(decoded.samples.data()) - sample(expected.data())));
    }
    EXPECT_LE(worst, row.tolerance);
  }
}

}  // namespace
