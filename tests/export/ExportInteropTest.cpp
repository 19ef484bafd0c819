#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Programs.h"
#include "support/SmallImage.h"
#include "tools/ToolTests.h"

// The image export against a real Orthanc, from a plain C program that only loads the plug-in.
namespace {

using namespace testing_support;

TEST(ExportInteropTest, StoresOnOrthancWithTheDuplicateCheckAndDecodesCompressedFiles) {
  Peer orthanc;
  ASSERT_EQ(orthanc.Start(PeerArgs("Orthanc", orthanc)), "");
  const std::string root = "1.2.826.0.1.3680043.10.1021.";
  // The result codes of the other faults are ExportTest's, against scripted archives.
  ASSERT_TRUE(WriteSmallImage(orthanc.File("ct"), {{0x00080016, "1.2.840.10008.5.1.4.1.1.2"},
                                                   {0x00080018, root + "9.1"},
                                                   {0x00080060, "CT"},
                                                   {0x00100010, "Export^Test"},
                                                   {0x00100020, "EXPORT1"},
                                                   {0x0020000D, root + "1"},
                                                   {0x0020000E, root + "2.1"},
                                                   {0x00200013, "1"}}));
  const auto send = [&](const std::string& file, int checkDuplicate) {
    const auto run = RunProgram({SEND_IMAGE, PLUGIN, orthanc.File(file), "127.0.0.1",
                                 std::to_string(orthanc.port), "DICOMNET", "ORTHANC",
                                 std::to_string(checkDuplicate)});
    return run.out + run.err;
  };
  EXPECT_EQ(send("ct", 0), "0\n");
  EXPECT_EQ(send("ct", 1), "-5\n");

  // A JPEG-lossless file goes decoded, on the export's one implicit VR context, and Orthanc's
  // copy, fetched back with C-GET, holds the source's samples.
  for (const char* program : {"dcmcjpeg", "dcmodify"})
    if (!HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  const std::string study = root + "3", series = study + ".1", file = orthanc.File("jl.dcm");
  for (const std::vector<std::string>& step : std::vector<std::vector<std::string>>{
           {kSystemPython, CODEC_TEST_SCRIPT, "make", orthanc.File("")},
           {"dcmcjpeg", "+e1", orthanc.File("u16.dcm"), file},
           {"dcmodify", "-nb", "-i", "(0010,0020)=EXPORT2", "-i", "(0020,000D)=" + study, "-i",
            "(0020,000E)=" + series, "-i", "(0028,2110)=00", file}}) {
    const auto run = RunProgram(step);
    ASSERT_EQ(run.status, 0) << step.front() << ": " << run.err;
  }
  const ReadBack source = ReadObject(file);
  ASSERT_TRUE(source.read);
  const std::string uid = source.object.GetText(0x00080018, dicom::vr::UI);
  ASSERT_EQ(send("jl.dcm", 0), "0\n");
  const auto got =
      RunProgram({DICOMNET_BIN, "get", "-aec", "ORTHANC", "--output-dir", orthanc.File(""), "-k",
                  "0008,0052=IMAGE", "-k", "0020,000d=" + study, "-k", "0020,000e=" + series, "-k",
                  "0008,0018=" + uid, "127.0.0.1", std::to_string(orthanc.port)});
  ASSERT_EQ(got.status, 0) << got.out << got.err;
  const ReadBack arrived = ReadObject(orthanc.File(uid + ".dcm"));
  ASSERT_TRUE(arrived.read);
  const dicom::ValuePtr pixels = arrived.object.GetValue(0x7FE00010);
  ASSERT_TRUE(pixels && pixels->Data() != nullptr);
  EXPECT_TRUE(std::string(reinterpret_cast<const char*>(pixels->Data()), pixels->Length()) ==
              ReadFile(orthanc.File("u16.raw")));
  EXPECT_EQ(arrived.object.GetText(0x00282110, dicom::vr::CS), "00");
}

}  // namespace
