#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "support/Programs.h"
#include "support/SmallImage.h"

// The image export against a real Orthanc, from a plain C program that only loads the plug-in.
namespace {

using testing_support::Peer;
using testing_support::RunProgram;

struct Image {
  const char* name;
  const char* sopClass;
  const char* modality;
};

void WriteImage(const Image& image, int number, const std::string& path) {
  using namespace dicom;
  const std::string instance =
      std::string("1.2.826.0.1.3680043.10.1021.9.") + std::to_string(number);
  DataSet object;
  object.InsertText(0x00080016, vr::UI, image.sopClass);
  object.InsertText(0x00080018, vr::UI, instance);
  object.InsertText(0x00080060, vr::CS, image.modality);
  object.InsertText(0x00100010, vr::PN, "Export^Test");
  object.InsertText(0x00100020, vr::LO, "EXPORT1");
  object.InsertText(0x0020000D, vr::UI, "1.2.826.0.1.3680043.10.1021.1");
  object.InsertText(0x0020000E, vr::UI,
                    std::string("1.2.826.0.1.3680043.10.1021.2.") + std::to_string(number));
  object.InsertText(0x00200013, vr::IS, std::to_string(number));
  ASSERT_TRUE(testing_support::WriteSmallImage(std::move(object), path)) << path;
}

TEST(ExportInteropTest, StoresOnOrthancWithTheDuplicateCheck) {
  Peer orthanc;
  ASSERT_EQ(orthanc.Start(testing_support::PeerArgs("Orthanc", orthanc)), "");
  const Image images[] = {{"ct", "1.2.840.10008.5.1.4.1.1.2", "CT"},
                          {"mr", "1.2.840.10008.5.1.4.1.1.4", "MR"},
                          {"sc", "1.2.840.10008.5.1.4.1.1.7", "OT"},
                          {"dx", "1.2.840.10008.5.1.4.1.1.1.1", "DX"}};
  for (int i = 0; i < 4; ++i)
    WriteImage(images[i], i + 1, orthanc.File(images[i].name));

  const auto send = [&](const char* name, int checkDuplicate) {
    const auto run = RunProgram({SEND_IMAGE, PLUGIN, orthanc.File(name), "127.0.0.1",
                                 std::to_string(orthanc.port), "DICOMNET", "ORTHANC",
                                 std::to_string(checkDuplicate)});
    return run.out + run.err;
  };
  EXPECT_EQ(send("ct", 0), "0\n");
  EXPECT_EQ(send("mr", 1), "0\n");
  EXPECT_EQ(send("sc", 0), "0\n");
  EXPECT_EQ(send("ct", 1), "-5\n");
  EXPECT_EQ(send("dx", 0), "-3\n");
}

// A JPEG-lossless file goes decoded, on the export's one implicit VR context, and Orthanc's copy,
// fetched back with C-GET, holds the source's samples.
TEST(ExportInteropTest, CompressedFileArrivesWithTheSourcesPixels) {
  using testing_support::kSystemPython;
  for (const char* program : {"dcmcjpeg", "dcmodify"})
    if (!testing_support::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  Peer orthanc;
  ASSERT_EQ(orthanc.Start(testing_support::PeerArgs("Orthanc", orthanc)), "");
  const std::string study = "1.2.826.0.1.3680043.10.1021.3", series = study + ".1";
  const std::string file = orthanc.File("jl.dcm");
  for (const std::vector<std::string>& step : std::vector<std::vector<std::string>>{
           {kSystemPython, CODEC_TEST_SCRIPT, "make", orthanc.File("")},
           {"dcmcjpeg", "+e1", orthanc.File("u16.dcm"), file},
           {"dcmodify", "-nb", "-i", "(0010,0020)=EXPORT2", "-i", "(0020,000D)=" + study, "-i",
            "(0020,000E)=" + series, "-i", "(0028,2110)=00", file}}) {
    const auto run = RunProgram(step);
    ASSERT_EQ(run.status, 0) << step.front() << ": " << run.err;
  }
  dicom::DicomFile source;
  source.open(file, std::ios::in | std::ios::binary);
  dicom::DataSet object;
  ASSERT_TRUE(source.Read(object));
  const std::string uid = object.GetText(0x00080018, dicom::vr::UI);

  const auto sent = RunProgram({SEND_IMAGE, PLUGIN, file, "127.0.0.1", std::to_string(orthanc.port),
                                "DICOMNET", "ORTHANC", "0"});
  ASSERT_EQ(sent.out + sent.err, "0\n");
  const auto got =
      RunProgram({DICOMNET_BIN, "get", "-aec", "ORTHANC", "--output-dir", orthanc.File(""), "-k",
                  "0008,0052=IMAGE", "-k", "0020,000d=" + study, "-k", "0020,000e=" + series, "-k",
                  "0008,0018=" + uid, "127.0.0.1", std::to_string(orthanc.port)});
  ASSERT_EQ(got.status, 0) << got.out << got.err;
  dicom::DicomFile copy;
  copy.open(orthanc.File(uid + ".dcm"), std::ios::in | std::ios::binary);
  dicom::DataSet arrived;
  ASSERT_TRUE(copy.Read(arrived));
  const dicom::ValuePtr pixels = arrived.GetValue(0x7FE00010);
  ASSERT_TRUE(pixels && pixels->Data() != nullptr);
  EXPECT_TRUE(std::string(reinterpret_cast<const char*>(pixels->Data()), pixels->Length()) ==
              testing_support::ReadFile(orthanc.File("u16.raw")));
  EXPECT_EQ(arrived.GetText(0x00282110, dicom::vr::CS), "00");
}

}  // namespace
