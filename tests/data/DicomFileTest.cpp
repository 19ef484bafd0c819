#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "data/DicomFile.h"
#include "data/EncapsulatedPixelData.h"
#include "data/FileValueSource.h"
#include "data/StreamCodec.h"
#include "net/MemoryByteStream.h"
#include "support/Hex.h"
#include "support/Programs.h"

namespace dicom {
namespace {

using namespace std::string_literals;

std::string Hex(std::string_view digits) {
  const std::vector<std::uint8_t> bytes = testing_support::FromHex(digits);
  return {bytes.begin(), bytes.end()};
}

const std::string kPreamble = std::string(128, '\0') + "DICM";
constexpr std::string_view kSopClassUid = "1.2.840.10008.5.1.4.1.1.7";
constexpr std::string_view kSopInstanceUid = "1.2.3.4.5.6.7.8.9.10";

// The meta group written for the identifiers above in explicit little-endian.
const std::string kFullMeta = Hex("02 00 00 00 55 4C 04 00 96 00 00 00"  // group length 150
                                  "02 00 01 00 4F 42 00 00 02 00 00 00 00 01"
                                  "02 00 02 00 55 49 1A 00") +
                              std::string(kSopClassUid) + '\0' + Hex("02 00 03 00 55 49 14 00") +
                              std::string(kSopInstanceUid) + Hex("02 00 10 00 55 49 14 00") +
                              "1.2.840.10008.1.2.1\0"s + Hex("02 00 12 00 55 49 12 00") +
                              "1.2.40.0.12.0.9905" + Hex("02 00 13 00 53 48 0C 00") +
                              "KORAL9905pc ";

// Preamble and a meta group naming only the transfer syntax.
std::string SyntaxOnly(std::string uid) {
  if (uid.size() % 2 != 0) uid += '\0';
  const char n = static_cast<char>(uid.size());
  return kPreamble + Hex("02 00 00 00 55 4C 04 00") + std::string{char(8 + n), 0, 0, 0} +
         Hex("02 00 10 00 55 49") + std::string{n, 0} + uid;
}

const std::string kImplicitTail =
    Hex("10 00 20 00 04 00 00 00 49 44 31 32"  // LO "ID12"
        "28 00 10 00 02 00 00 00 00 02");      // US 512

class DicomFileTest : public testing::Test {
 protected:
  bool Write(TransferSyntax syntax, const DataSet& dataSet) {
    DicomFile file(kSopClassUid, kSopInstanceUid, syntax);
    file.open(path_, std::ios::out | std::ios::binary | std::ios::trunc);
    EXPECT_TRUE(file.is_open());
    return file.Write(dataSet);
  }
  std::string Load() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // file_ keeps the header and status of the last read.
  bool Read(DataSet& dataSet) {
    file_.emplace();
    file_->open(path_, std::ios::in | std::ios::binary);
    EXPECT_TRUE(file_->is_open());
    return file_->Read(dataSet);
  }
  bool Read(const std::string& bytes, DataSet& dataSet) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
    return Read(dataSet);
  }

  testing_support::TempDir dir_;
  std::filesystem::path path_ = dir_.File("test.dcm");
  std::optional<DicomFile> file_;
};

TEST_F(DicomFileTest, WrittenHeaderBytes) {
  ASSERT_TRUE(Write(ExplicitLittleEndian, DataSet()));
  EXPECT_EQ(testing_support::AsciiHex(Load()), testing_support::AsciiHex(kPreamble + kFullMeta));

  // A header read back writes the same bytes, own preamble and long-form meta VRs included.
  const std::string own = Hex("49 49 2A 00") + std::string(124, 'U') + "DICM" +
                          Hex("02 00 00 00 55 4C 04 00 2A 00 00 00 02 00 10 00 55 49 14 00") +
                          "1.2.840.10008.1.2.1\0"s +
                          Hex("02 00 99 00 55 4E 00 00 02 00 00 00 AB CD");
  std::stringstream in(own), out;
  FileMetaHeader header;
  ASSERT_TRUE(header.Read(in));
  ASSERT_TRUE(header.Write(out));
  EXPECT_EQ(out.str(), own);
}

// Without a usable meta group the data set is implicit little-endian.
TEST_F(DicomFileTest, ReadsImplicitVrWithoutUsableMeta) {
  // Read from the first byte; bytes 128..131 are not "DICM".
  const std::string bare = Hex("08 00 81 00 70 00 00 00") + std::string(112, 'x') + kImplicitTail;
  const struct {
    std::string file;
    bool meta;
  } cases[] = {
      {bare, false},
      {SyntaxOnly("1.2.3.4") + kImplicitTail, true},  // private syntax
      {kPreamble + Hex("02 00 01 00 4F 42 00 00 02 00 00 00 00 01") + kImplicitTail, false},
      {kPreamble + Hex("02 00 00 00 55 4C 02 00 1C 00") + kImplicitTail, false},  // UL of 2
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing_support::AsciiHex(c.file.substr(128, 16)));
    DataSet dataSet;
    ASSERT_TRUE(Read(c.file, dataSet));
    EXPECT_EQ(file_->HasMetaHeader(), c.meta);
    EXPECT_EQ(file_->Header().Syntax(), UnknownTransferSyntax);
    EXPECT_EQ(dataSet.GetText(0x00100020, vr::LO), "ID12");
    EXPECT_EQ(dataSet.GetValue(0x00280010)->Vr(), vr::US);
    EXPECT_EQ(dataSet.GetUS(0x00280010), 512);
  }
  DataSet dataSet;
  dataSet.InsertUS(0x00280010, 1);
  EXPECT_FALSE(Read(bare.substr(0, 100), dataSet));  // shorter than a preamble
  EXPECT_TRUE(dataSet.Empty());
  // A meta group length past the end takes the body for meta elements, which fail to decode.
  std::string lying = SyntaxOnly("1.2.840.10008.1.2") + kImplicitTail;
  lying[140] = '\xff';
  EXPECT_FALSE(Read(lying, dataSet));
  EXPECT_TRUE(file_->HasMetaHeader());
}

// A file cut short reads true without its last element; a decoding error reads false. Both keep
// the elements before the fault, and none of the group lengths.
TEST_F(DicomFileTest, PartialFilesKeepTheElementsBeforeTheFault) {
  const std::string head = kPreamble + kFullMeta +
                           Hex("08 00 00 00 55 4C 04 00 0E 00 00 00"
                               "08 00 16 00 55 49 06 00 31 2E 32 2E 33 00"
                               "10 00 10 00 50 4E 04 00 44 6F 65 20");
  const struct {
    std::string file;
    bool read;
    CodecStatus status;
  } cases[] = {
      {head + Hex("10 00 20 00 4C 4F"), true, CodecStatus::ValueNotDelivered},
      {head + Hex("FE FF 00 E0 00 00 00 00 28 00 10 00 55 53 02 00 00 02"), false,
       CodecStatus::UnexpectedItem},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Describe(c.status));
    DataSet dataSet;
    EXPECT_EQ(Read(c.file, dataSet), c.read);
    std::vector<Tag> tags;
    for (const auto& [tag, value] : dataSet)
      tags.push_back(tag);
    EXPECT_EQ(tags, (std::vector<Tag>{0x00080016, 0x00100010}));
    EXPECT_FALSE(file_->Header().Meta().Contains(0x00020000));
    EXPECT_EQ(file_->Status(), c.status) << Describe(file_->Status());
  }
}

// pydicom writes a small object and DCMTK deflates it. Read and written back, it lists the same in
// dcmdump (the deflate stream is our own); its data set also decodes as a message, and fails
// clearly when cut short or corrupt. The compressed syntaxes go through the tools' interop tests.
TEST_F(DicomFileTest, DeflatedFromDcmtk) {
  using namespace testing_support;
  const std::string source = dir_.File("source.dcm"), ours = dir_.File("ours.dcm"),
                    made = dir_.File("made.dcm");
  const char* script = R"(if 1:
    import sys
    from pydicom.dataset import Dataset, FileMetaDataset
    ds = Dataset(); ds.file_meta = m = FileMetaDataset()
    m.TransferSyntaxUID = "1.2.840.10008.1.2.1"
    m.MediaStorageSOPClassUID = ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
    m.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = "1.2.3.4"; ds.PatientName = "Doe^Jane"
    ds.is_little_endian, ds.is_implicit_VR = True, False; ds.Rows = ds.Columns = 16
    ds.BitsAllocated, ds.PixelData = 16, bytes(range(256)) * 2
    ds.save_as(sys.argv[1], write_like_original=False))";
  ASSERT_EQ(RunProgram({kSystemPython, "-c", script, source}).status, 0);
  ASSERT_EQ(RunProgram({"dcmconv", "+td", source, made}).status, 0);
  constexpr TransferSyntax kSyntax = DeflatedExplicitLittleEndian;
  path_ = made;
  DataSet read;
  ASSERT_TRUE(Read(read));
  ASSERT_EQ(file_->Header().Syntax(), kSyntax);
  path_ = ours;
  ASSERT_TRUE(Write(kSyntax, read));
  const auto dump = [](const std::string& file) {
    const std::string out = RunProgram({"dcmdump", "-q", file}).out;
    return out.substr(out.find("# Dicom-Data-Set"));
  };
  EXPECT_EQ(dump(ours), dump(made));
  const std::string stored = ReadFile(made);
  const std::string body = stored.substr(144 + (stored[140] & 0xff) + 256 * (stored[141] & 0xff));
  const auto decode = [&](std::string bytes, CodecStatus status) {
    MemoryByteStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    stream.ReadAhead(static_cast<std::uint32_t>(bytes.size()));
    StreamCodec codec(stream, kSyntax);
    DataSet message;
    codec.ReadDataSet(message);
    EXPECT_EQ(codec.Status(), status) << Describe(codec.Status());
    return status == CodecStatus::Good && message.CountElements(true) == read.CountElements(true);
  };
  EXPECT_TRUE(decode(body, CodecStatus::Good));
  decode(body.substr(0, 100), CodecStatus::DeflateNotEnded);
  decode(std::string(body).replace(10, 8, 8, '\xff'), CodecStatus::DeflateCorrupt);
  EXPECT_FALSE(Read(stored.substr(0, stored.size() - 20), read));
  EXPECT_EQ(file_->Status(), CodecStatus::DeflateNotEnded);
}

// Values left in their file encode to the very bytes of the values read whole, in every syntax
// the file can be sent in, and compressed frames come from the file as they do from memory: pydicom
// writes native objects (a large pixel value, a large value of odd length, a swapped large FL
// value) in the three plain syntaxes, DCMTK compresses one. A file cut short after it was read
// fails the writing instead of sending made-up bytes.
TEST_F(DicomFileTest, ValuesLeftInTheFileEncodeAsValuesReadWhole) {
  using namespace testing_support;
  const std::filesystem::path dir = path_.parent_path();
  const char* script = R"(if 1:
    import sys, struct
    from pydicom.dataset import Dataset, FileMetaDataset
    from pydicom.uid import ImplicitVRLittleEndian, ExplicitVRLittleEndian, ExplicitVRBigEndian
    for name, uid, little, implicit in (("il", ImplicitVRLittleEndian, True, True),
                                        ("el", ExplicitVRLittleEndian, True, False),
                                        ("eb", ExplicitVRBigEndian, False, False)):
      ds = Dataset(); ds.file_meta = m = FileMetaDataset(); m.TransferSyntaxUID = uid
      m.MediaStorageSOPClassUID = ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
      m.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = "1.2.3.4"
      ds.is_little_endian, ds.is_implicit_VR = little, implicit
      ds.Rows, ds.Columns, ds.SamplesPerPixel, ds.NumberOfFrames = 256, 512, 1, 2
      ds.PhotometricInterpretation = "MONOCHROME2"
      ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 12, 11, 0
      ds.add_new(0x00091010, "LO", "PRIVATE"); ds.add_new(0x00091011, "OB", b"\x07" * 70001)
      ds.add_new(0x00660016, "OF", struct.pack("<20000f", *range(20000)))
      ds.PixelData = b"".join(struct.pack("<H", i * 7 % 4096) for i in range(262144))
      ds.save_as(sys.argv[1] + "/" + name + ".dcm", write_like_original=False))";
  ASSERT_EQ(RunProgram({kSystemPython, "-c", script, dir.string()}).status, 0);
  ASSERT_EQ(RunProgram({"dcmcrle", (dir / "el.dcm").string(), (dir / "rle.dcm").string()}).status,
            0);
  const auto encode = [](const DataSet& dataSet, TransferSyntax syntax, CodecStatus& status) {
    MemoryByteStream stream;
    StreamCodec codec(stream, syntax);
    codec.WriteDataSet(dataSet);
    stream.Flush();
    status = codec.Status();
    return stream.TakeOutput();
  };
  const std::vector<TransferSyntax> plain = {ImplicitLittleEndian, ExplicitLittleEndian,
                                             ExplicitBigEndian};
  const std::vector<std::pair<std::string, std::vector<TransferSyntax>>> cases = {
      {"il", plain}, {"el", plain}, {"eb", plain}, {"rle", {RleLossless}}};
  for (const auto& [name, targets] : cases) {
    const std::string file = (dir / (name + ".dcm")).string();
    DataSet whole, left;
    path_ = file;
    ASSERT_TRUE(Read(whole)) << name;
    file_.emplace();
    file_->open(file, std::ios::in | std::ios::binary);
    file_->DeferValues(FileValueSource::Open(file), kLeftInFileFrom);
    ASSERT_TRUE(file_->Read(left)) << name;
    EXPECT_EQ(left.GetValue(0x00091011)->Data(), nullptr) << name;
    std::vector<std::uint8_t> frame, frameLeft;
    EXPECT_EQ(EncapsulatedFrames(left).Get(1, frameLeft), EncapsulatedFrames(whole).Get(1, frame));
    EXPECT_TRUE(frameLeft == frame) << name;
    for (const TransferSyntax syntax : targets) {
      CodecStatus wholeStatus, leftStatus;
      const std::vector<std::uint8_t> expected = encode(whole, syntax, wholeStatus);
      EXPECT_EQ(wholeStatus, CodecStatus::Good);
      EXPECT_TRUE(encode(left, syntax, leftStatus) == expected) << name << " as " << syntax;
      EXPECT_EQ(leftStatus, CodecStatus::Good);
    }
    std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
    CodecStatus cut;
    encode(left, targets.front(), cut);
    EXPECT_EQ(cut, CodecStatus::ValueNotDelivered) << name;
  }
}

}  // namespace
}  // namespace dicom
