#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/Imagehost.h"
#include "support/Screenshots.h"

// Compressed images from an archive that does not transcode: Orthanc sends each in its own syntax,
// the receiver keeps it so, and imagehost, driven by its macros, retrieves and shows them.
namespace {

using namespace testing_support;

TEST(CompressedBrowserInteropTest, RetrievesCompressedImagesIntoDisplays) {
  for (const char* program : {"dcmcjpeg", "dcmcjpls", "dcmcrle", "dcmodify", "gdcmconv"})
    if (!HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  const std::uint16_t receivePort = FreePort();
  Peer orthanc;
  std::vector<std::string> args = PeerArgs("Orthanc", orthanc, receivePort);
  std::string config = ReadFile(orthanc.File("orthanc.json"));
  config.insert(config.find('{') + 1, "\"AllowTranscoding\": false, ");
  WriteFile(orthanc.File("orthanc.json"), config);
  ASSERT_EQ(orthanc.Start(args), "");

  // name, encoder and its source; every image goes into one series.
  const std::vector<std::vector<std::string>> images = {{"jpeg-lossless", "dcmcjpeg", "+e1", "u16"},
                                                        {"jpeg-ls", "dcmcjpls", "u12"},
                                                        {"jpeg2000", "gdcmconv", "--j2k", "rgb8"},
                                                        {"rle-rgb", "dcmcrle", "rgb8"}};
  std::vector<std::string> store = {DICOMNET_BIN, "store",     "-aec",
                                    "ORTHANC",    "127.0.0.1", std::to_string(orthanc.port)};
  ASSERT_EQ(RunProgram({kSystemPython, CODEC_TEST_SCRIPT, "make", orthanc.File("")}).status, 0);
  for (std::size_t i = 0; i < images.size(); ++i) {
    std::vector<std::string> encode(images[i].begin() + 1, images[i].end());
    encode.back() = orthanc.File(encode.back() + ".dcm");
    store.push_back(orthanc.File(images[i].front() + ".dcm"));
    encode.push_back(store.back());
    const std::string root = "1.2.826.0.1.3680043.10.1021.7";
    for (const std::vector<std::string>& step :
         {encode, std::vector<std::string>{
                      "dcmodify", "-nb", "-i", "(0010,0010)=Codec^Test", "-i", "(0010,0020)=C1",
                      "-i", "(0020,000D)=" + root + ".1", "-i", "(0020,000E)=" + root + ".2", "-i",
                      "(0020,0013)=" + std::to_string(i + 1), "-i",
                      "(0008,0018)=" + root + ".3." + std::to_string(i + 1), store.back()}}) {
      const CommandResult run = RunProgram(step);
      ASSERT_EQ(run.status, 0) << step.front() << ": " << run.err;
    }
  }
  const CommandResult loaded = RunProgram(store);
  ASSERT_EQ(loaded.status, 0) << loaded.out << loaded.err;

  // The browser lists the series and retrieves its four images into displays first to first + 3.
  const auto retrieve = [&](int first) {
    std::string lines = "setCurrent(" + std::to_string(first) +
                        ")\ndicomRequest(\"127.0.0.1\", \"" + std::to_string(orthanc.port) +
                        "\", \"STORESCP\", \"ORTHANC\")\n"
                        "waitWindow(\"Dicom Request\", 10)\n"
                        "click(\"Dicom Request\", 6005)\n"
                        "selectRows(\"Dicom Request\", 6011, 0, 1, 2, 3)\n"
                        "click(\"Dicom Request\", 6006)\n"
                        "closeWindow(\"Dicom Request\")\n";
    for (int display = first; display < first + 4; ++display)
      lines += "getPixel(" + std::to_string(display) + ", 5, 7)\n";
    return lines;
  };
  const std::string macro = SetPreference("callingAeTitle", "STORESCP") +
                            SetPreference("receivePort", std::to_string(receivePort)) +
                            retrieve(1) + "screenshot(\"imagehost\", \"" +
                            ScreenshotPath("compressed.png") + "\")\n" +
                            // Again with C-GET: each image on a context of its own syntax.
                            SetPreference("retrieveMethod", "get") + retrieve(5);
  TempDir dir;
  const CommandResult run = RunHost(dir, macro);
  ASSERT_EQ(run.status, 0) << run.out << run.err << orthanc.Log();
  // The sources' values at (5, 7), whatever order the archive sent them in.
  std::vector<std::string> pixels = Lines(run.out);
  pixels.erase(std::remove(pixels.begin(), pixels.end(), "1"), pixels.end());
  std::sort(pixels.begin(), pixels.end());
  EXPECT_EQ(pixels, (std::vector<std::string>{"266", "266", "50,51,54", "50,51,54", "50,51,54",
                                              "50,51,54", "5626", "5626"}))
      << run.out;
}

}  // namespace
