// Compressed objects through the tools: the receiver keeps what DCMTK's storescu sends in each
// syntax, `dicomnet store` sends its own syntax or decompresses for DCMTK's storescp, and
// `dicomnet decompress` gives the source's pixels back. Sources come from pydicom, compressed
// objects from DCMTK and GDCM, all at test time.

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

// The only file in a directory, as storescp and the receiver name theirs after the object.
std::string OnlyFile(const std::string& directory) {
  const std::set<std::string> names = Names(directory);
  return names.size() == 1 ? directory + "/" + *names.begin() : "";
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
    for (const char* program : {"storescu", "storescp", "dcmcjpeg", "dcmcjpls", "dcmcrle",
                                "dcmconv", "dcmodify", "gdcmconv"})
      if (!HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
    Succeed({kSystemPython, CODEC_TEST_SCRIPT, "make", dir_->File("")});
    // name, encoder and its arguments (the compressed file is appended)
    const std::vector<std::vector<std::string>> encoders = {
        {"jl-u16", "dcmcjpeg", "+e1", File("u16")}, {"jpeg8", "dcmcjpeg", "+eb", File("grey8")},
        {"jls-u12", "dcmcjpls", File("u12")},       {"j2k-rgb8", "gdcmconv", "--j2k", File("rgb8")},
        {"rle-rgb8", "dcmcrle", File("rgb8")},      {"deflated-u16", "dcmconv", "+td", File("u16")},
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

TEST_F(CompressedInteropTest, ReceiverKeepsEachSyntaxAsStorescuSendsIt) {
  Peer receiver;
  fs::create_directory(receiver.File("kept"));
  ASSERT_EQ(receiver.Start({DICOMNET_BIN, "receive", "--port", std::to_string(receiver.port),
                            "--output-dir", receiver.File("kept")}),
            "");
  const struct {
    const char* file;
    const char* proposal;
    const char* syntax;
  } cases[] = {
      {"jl-u16", "-xs", "1.2.840.10008.1.2.4.70"},
      {"jpeg8", "-xy", "1.2.840.10008.1.2.4.50"},
      {"jls-u12", "-xt", "1.2.840.10008.1.2.4.80"},
      {"j2k-rgb8", "-xv", "1.2.840.10008.1.2.4.90"},
      {"rle-rgb8", "-xr", "1.2.840.10008.1.2.5"},
      {"deflated-u16", "-xd", "1.2.840.10008.1.2.1.99"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    for (const fs::directory_entry& entry : fs::directory_iterator(receiver.File("kept")))
      fs::remove(entry.path());
    Succeed(
        {"storescu", "-R", c.proposal, "127.0.0.1", std::to_string(receiver.port), File(c.file)});
    const Pixels sent = Read(File(c.file));
    const Pixels kept = Read(OnlyFile(receiver.File("kept")));
    EXPECT_EQ(kept.syntax, c.syntax) << receiver.Log();
    EXPECT_EQ(kept.syntax, sent.syntax);
    EXPECT_TRUE(kept.bytes == sent.bytes && !kept.bytes.empty());
  }
}

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
    const Pixels arrived = Read(OnlyFile(storescp.File("received")));
    EXPECT_EQ(arrived.syntax, c.acceptAll ? Read(File(c.file)).syntax : c.syntax);
    EXPECT_EQ(arrived.photometric, c.photometric);
    EXPECT_TRUE(arrived.bytes == (c.source ? Raw(c.source) : Read(File(c.file)).bytes));
  }
}

TEST_F(CompressedInteropTest, DecompressGivesTheSourcesPixelsAndNamesWhatFails) {
  // A data set that says 40 rows for an 80-row code stream, a code stream cut in half inside
  // whole items, and a file that ends inside a fragment.
  Succeed({"cp", File("jl-u16"), File("rows")});
  Succeed({"dcmodify", "-nb", "-m", "(0028,0010)=40", File("rows")});
  Succeed({kSystemPython, "-c",
           "import pydicom, sys\n"
           "from pydicom.encaps import encapsulate, generate_pixel_data_frame\n"
           "ds = pydicom.dcmread(sys.argv[1])\n"
           "f = next(generate_pixel_data_frame(ds.PixelData, 1))\n"
           "ds.PixelData = encapsulate([f[:len(f) // 4 * 2]])\n"
           "ds.save_as(sys.argv[2])\n",
           File("jls-u12"), File("half")});
  const std::string whole = ReadFile(File("rle-rgb8"));
  WriteFile(File("cut"), whole.substr(0, whole.size() - 100));

  const struct {
    const char* file;
    const char* source;  // the samples expected, or what the failure says
  } cases[] = {
      {"jl-u16", "u16"},
      {"j2k-rgb8", "rgb8"},
      {"deflated-u16", "u16"},
      {"rows",
       "frame 1: JPEG lossless SV1 (1.2.840.10008.1.2.4.70): the JPEG lossless code stream holds "
       "96 x 80 pixels of 1 samples at 16 bits, the data set 96 x 40 of 1 at 16 of 16 bits"},
      {"half",
       "frame 1: JPEG-LS lossless (1.2.840.10008.1.2.4.80): the code stream ends before its "
       "end-of-image marker"},
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
