// Compressed objects through the tools: `dicomnet store` sends its own syntax or decompresses for
// DCMTK's storescp, and `dicomnet decompress` gives the source's pixels back. Sources come from
// pydicom, compressed objects from DCMTK and GDCM, all at test time.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/EncapsulatedPixelData.h"
#include "support/Programs.h"
#include "tools/ToolTests.h"

namespace {

using namespace dicom;
using namespace testing_support;
namespace fs = std::filesystem;

constexpr Tag kPixelData = 0x7FE00010;

struct Pixels {
  std::string syntax;
  std::string bytes;  // the fragments joined, or the native samples
  std::string photometric;
};

Pixels Read(const std::string& path) {
  const ReadBack file = ReadObject(path);
  if (!file.read) return {"unreadable " + path, {}, {}};
  Pixels pixels{file.syntax, {}, file.object.GetText(0x00280004, vr::CS)};
  const ValuePtr value = file.object.GetValue(kPixelData);
  if (value && value->Encapsulated() != nullptr) {
    for (const auto& fragment : value->Encapsulated()->fragments)
      pixels.bytes.append(reinterpret_cast<const char*>(fragment.data.get()), fragment.length);
  } else if (value && value->Data() != nullptr) {
    pixels.bytes.assign(reinterpret_cast<const char*>(value->Data()), value->Length());
  }
  return pixels;
}

void Succeed(const std::vector<std::string>& argv) {
  const CommandResult result = RunProgram(argv);
  ASSERT_EQ(result.status, 0) << argv.front() << ": " << result.err;
}

// The sources and their compressed forms are made once for the suite.
class CompressedInteropTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    for (const char* program : {"storescp", "dcmcjpeg", "dcmcrle", "dcmconv", "gdcmconv"})
      if (!HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
    Succeed({kSystemPython, CODEC_TEST_SCRIPT, "make", dir_->File("")});
    // name, encoder and its arguments (the compressed file is appended)
    const std::vector<std::vector<std::string>> encoders = {
        {"jl-u16", "dcmcjpeg", "+e1", File("u16")},
        {"j2k-rgb8", "gdcmconv", "--j2k", File("rgb8")},
        {"rle-rgb8", "dcmcrle", File("rgb8")},
        {"deflated-u16", "dcmconv", "+td", File("u16")},
    };
    for (std::vector<std::string> encoder : encoders) {
      const std::string name = encoder.front();
      encoder.erase(encoder.begin());
      encoder.push_back(File(name));
      Succeed(encoder);
    }
  }

  static void TearDownTestSuite() { dir_.reset(); }

  static std::string File(const std::string& name) { return dir_->File(name + ".dcm"); }
  static std::string Raw(const std::string& name) { return ReadFile(dir_->File(name + ".raw")); }

  static inline std::unique_ptr<TempDir> dir_;
};

// What a receiver keeps of compressed objects: CompressedBrowserInteropTest and DicomFileTest.
TEST_F(CompressedInteropTest, StoreSendsItsOwnSyntaxOrDecompressed) {
  const struct {
    const char* file;
    bool acceptAll;      // storescp +xa: every syntax it knows, else the uncompressed ones only
    const char* syntax;  // when decompressed; else the file's own
    const char* source;  // the source's samples, when the object arrives decompressed
    const char* photometric;
  } cases[] = {
      {"jl-u16", true, nullptr, nullptr, "MONOCHROME2"},
      {"jl-u16", false, "1.2.840.10008.1.2.1", "u16", "MONOCHROME2"},
      {"j2k-rgb8", false, "1.2.840.10008.1.2.1", "rgb8", "RGB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.acceptAll ? " +xa" : ""));
    Peer storescp;
    std::vector<std::string> args = PeerArgs("storescp", storescp);
    if (c.acceptAll) args.insert(args.begin() + 1, "+xa");
    ASSERT_EQ(storescp.Start(args), "");
    Succeed({DICOMNET_BIN, "store", "-aec", "STORESCP", "127.0.0.1", std::to_string(storescp.port),
             File(c.file)});
    const std::set<std::string> received = Names(storescp.File("received"));
    ASSERT_EQ(received.size(), 1u);
    const Pixels arrived = Read(storescp.File("received/" + *received.begin()));
    EXPECT_EQ(arrived.syntax, c.acceptAll ? Read(File(c.file)).syntax : c.syntax);
    EXPECT_EQ(arrived.photometric, c.photometric);
    EXPECT_TRUE(arrived.bytes == (c.source ? Raw(c.source) : Read(File(c.file)).bytes));
  }
}

TEST_F(CompressedInteropTest, DecompressGivesTheSourcesPixelsAndNamesWhatFails) {
  // A file that ends inside a fragment; code streams that fail to decode are DecoderTest's.
  const std::string whole = ReadFile(File("rle-rgb8"));
  WriteFile(File("cut"), whole.substr(0, whole.size() - 100));

  const struct {
    const char* file;
    const char* source;  // the samples expected, or what the failure says
  } cases[] = {
      {"jl-u16", "u16"},
      {"deflated-u16", "u16"},
      {"cut", "the file ends inside (7FE0,0010)"},
  };
  std::vector<std::string> argv = {DICOMNET_BIN, "decompress", "--output-dir", dir_->File("out")};
  fs::create_directory(dir_->File("out"));
  for (const auto& c : cases)
    argv.push_back(File(c.file));
  const CommandResult result = RunProgram(argv);
  EXPECT_EQ(result.status, 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string out = dir_->File("out/" + std::string(c.file) + ".dcm");
    if (std::string(c.source).find(' ') == std::string::npos) {
      const Pixels decoded = Read(out);
      EXPECT_EQ(decoded.syntax, "1.2.840.10008.1.2.1");
      EXPECT_TRUE(decoded.bytes == Raw(c.source));
    } else {
      EXPECT_FALSE(fs::exists(out));
      EXPECT_NE(result.err.find("dicomnet decompress: " + File(c.file) + ": " + c.source),
                std::string::npos)
          << result.err;
    }
  }
  EXPECT_EQ(RunProgram({DICOMNET_BIN, "decompress", File("jl-u16")}).status, 2);
}

}  // namespace
