#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data/DataSet.h"
#include "support/Certificates.h"
#include "support/Programs.h"
#include "support/SmallImage.h"

// The whole road against a real Orthanc: imagehost, driven by its macros, opens the browser,
// filters, lists and retrieves through the receiver it starts itself.
namespace {

using testing_support::Lines;
using testing_support::Peer;
using testing_support::RunProgram;

struct Image {
  std::string patient;  // bytes as stored
  const char* characterSet;
  const char* patientId;
  const char* modality;
  const char* sopClass;
  int study;
  const char* instanceNumber;
};

void WriteImage(const Image& image, int number, const std::string& path) {
  using namespace dicom;
  const std::string root = "1.2.826.0.1.3680043.10.1021.";
  const std::string instance = root + "5." + std::to_string(number);
  DataSet object;
  if (image.characterSet != nullptr) object.InsertText(0x00080005, vr::CS, image.characterSet);
  object.InsertText(0x00080016, vr::UI, image.sopClass);
  object.InsertText(0x00080018, vr::UI, instance);
  object.InsertText(0x00080020, vr::DA, "20020115");
  object.InsertText(0x00080060, vr::CS, image.modality);
  object.InsertText(0x00100010, vr::PN, image.patient);
  object.InsertText(0x00100020, vr::LO, image.patientId);
  object.InsertText(0x00100030, vr::DA, "19600101");
  object.InsertText(0x0020000D, vr::UI, root + "3." + std::to_string(image.study));
  object.InsertText(0x0020000E, vr::UI, root + "4." + std::to_string(image.study));
  object.InsertText(0x00200010, vr::SH, "S" + std::to_string(image.study));
  object.InsertText(0x00200011, vr::IS, "10");
  object.InsertText(0x00200013, vr::IS, image.instanceNumber);
  ASSERT_TRUE(testing_support::WriteSmallImage(std::move(object), path)) << path;
}

// Orthanc, knowing STORESCP at the receive port and DICOMNET at a port where nothing listens,
// loaded with four images: two of Müller Hans in study 1, one each of two other patients.
void StartLoadedOrthanc(Peer& orthanc, std::uint16_t receivePort) {
  ASSERT_EQ(orthanc.Start(testing_support::PeerArgs("Orthanc", orthanc, receivePort)), "");
  constexpr const char* kCt = "1.2.840.10008.5.1.4.1.1.2";
  constexpr const char* kMr = "1.2.840.10008.5.1.4.1.1.4";
  const Image images[] = {
      {"M\xFCller^Hans", nullptr, "P1", "CT", kCt, 1, "11"},  // Latin-1, no character set
      {"M\xFCller^Hans", nullptr, "P1", "CT", kCt, 1, "12"},
      {"H\xC3\xA9l\xC3\xA8ne^Marie", "ISO_IR 192", "P2", "MR", kMr, 2, "11"},  // UTF-8
      {"Doe^John", nullptr, "P3", "CT", kCt, 3, "11"},
  };
  std::vector<std::string> store = {DICOMNET_BIN, "store",     "-aec",
                                    "ORTHANC",    "127.0.0.1", std::to_string(orthanc.port)};
  for (int i = 0; i < 4; ++i) {
    store.push_back(orthanc.File("image" + std::to_string(i) + ".dcm"));
    WriteImage(images[i], i + 1, store.back());
  }
  const auto loaded = RunProgram(store);
  ASSERT_EQ(loaded.status, 0) << loaded.out << loaded.err;
}

// The macro's output lines, from imagehost run with its own configuration and temporary
// directory (which must hold no retrieved file afterwards).
std::vector<std::string> RunMacro(const std::string& lines) {
  testing_support::TempDir dir;
  const auto run = RunProgram({"timeout", "120", "env", "QT_QPA_PLATFORM=offscreen",
                               "XDG_CONFIG_HOME=" + dir.File("config"), "TMPDIR=" + dir.File(""),
                               IMAGEHOST_BIN, "--plugin", PLUGIN, "-e", lines});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("tempDic.dic")));
  return Lines(run.out);
}

TEST(BrowserInteropTest, FilterListAndRetrieveFromOrthanc) {
  const std::uint16_t receivePort = testing_support::FreePort();
  Peer orthanc;
  StartLoadedOrthanc(orthanc, receivePort);
  if (HasFatalFailure()) return;
  const std::string title = "Dicom Request";
  const std::string lines =
      "setPreference(\"callingAeTitle\", \"STORESCP\")\n"
      "setPreference(\"receivePort\", \"" +
      std::to_string(receivePort) +
      "\")\n"
      "setPreference(\"dateOrder\", \"1\")\n"
      "setPreference(\"dateSeparator\", \".\")\n"
      "dicomRequest(\"127.0.0.1\", \"" +
      std::to_string(orthanc.port) +
      "\", \"STORESCP\", \"ORTHANC\")\n"
      "waitWindow(\"Dicom Request\", 10)\n"
      "click(\"Dicom Request\", 6005)\n"
      "rows(\"Dicom Request\", 6009)\n"
      "click(\"Dicom Request\", 6014)\n"
      "waitWindow(\"Filter\", 10)\n"
      "check(\"Filter\", 6024)\n"
      "setText(\"Filter\", 6016, \"Müller\")\n"
      "click(\"Filter\", 1)\n"
      "click(\"Dicom Request\", 6005)\n"
      "text(\"Dicom Request\", 6013)\n"
      "rows(\"Dicom Request\", 6009)\n"
      "rows(\"Dicom Request\", 6037)\n"
      "rows(\"Dicom Request\", 6010)\n"
      "rows(\"Dicom Request\", 6011)\n"
      "wait(3000)\n"  // the archive closes the idle association after 2 s
      "selectRows(\"Dicom Request\", 6011, 0, 1)\n"
      "click(\"Dicom Request\", 6006)\n"
      "displays()\n"
      "closeWindow(\"Dicom Request\")";
  const std::vector<std::string> out = RunMacro(lines);
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out[0], "1");  // the browser is open
  // The first Update lists every patient, in the archive's order. Names keep the padding that
  // made their value even, as the records keep the bytes.
  std::vector<std::string> all(out.begin() + 1, out.begin() + 4);
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all,
            (std::vector<std::string>{"Doe John\tP3\t01.01.1960", "Hélène Marie\tP2\t01.01.1960",
                                      "Müller Hans \tP1\t01.01.1960"}));
  const std::vector<std::string> filtered(out.begin() + 4, out.end());
  EXPECT_EQ(filtered,
            (std::vector<std::string>{"Family Name : Müller", "Müller Hans \tP1\t01.01.1960",
                                      "S1\t15.01.2002", "CT\t10", "11", "12",
                                      "1\tMüller Hans \t8x8\t8\t0", "2\tMüller Hans \t8x8\t8\t0"}));
}

// With get the images come on the browser's association: the archive knows the calling title
// DICOMNET only at a port where nothing listens, and nothing is sent to the receiver.
TEST(BrowserInteropTest, RetrieveWithGetFromOrthanc) {
  Peer orthanc;
  StartLoadedOrthanc(orthanc, testing_support::FreePort());
  if (HasFatalFailure()) return;
  const std::vector<std::string> out = RunMacro(
      "setPreference(\"retrieveMethod\", \"get\")\n"
      "setPreference(\"receivePort\", \"" +
      std::to_string(testing_support::FreePort()) +
      "\")\n"
      "dicomRequest(\"127.0.0.1\", \"" +
      std::to_string(orthanc.port) +
      "\", \"DICOMNET\", \"ORTHANC\")\n"
      "waitWindow(\"Dicom Request\", 10)\n"
      "click(\"Dicom Request\", 6014)\n"
      "waitWindow(\"Filter\", 10)\n"
      "check(\"Filter\", 6024)\n"
      "setText(\"Filter\", 6016, \"Müller\")\n"
      "click(\"Filter\", 1)\n"
      "click(\"Dicom Request\", 6005)\n"
      "selectRows(\"Dicom Request\", 6011, 0, 1)\n"
      "click(\"Dicom Request\", 6006)\n"
      "displays()\n"
      "closeWindow(\"Dicom Request\")");
  EXPECT_EQ(out, (std::vector<std::string>{"1", "1\tMüller Hans \t8x8\t8\t0",
                                           "2\tMüller Hans \t8x8\t8\t0"}));
}

// The browser's Update and a retrieve over TLS: the host's certificate serves the browser's
// association and the receiver it starts, which takes only the archive host.
TEST(BrowserInteropTest, ListAndRetrieveOverTls) {
  testing_support::Certificates certificates;
  ASSERT_EQ(certificates.Make(), "");
  const std::uint16_t receivePort = testing_support::FreePort();
  Peer orthanc;
  ASSERT_EQ(orthanc.Start(testing_support::TlsOrthancArgs(orthanc, certificates, receivePort)), "");
  const std::string image = orthanc.File("image.dcm");
  WriteImage({"Doe^John", nullptr, "P3", "CT", "1.2.840.10008.5.1.4.1.1.2", 3, "11"}, 1, image);
  const std::string port = std::to_string(orthanc.port);
  const auto loaded = RunProgram({DICOMNET_BIN, "store", "-aec", "ORTHANC", "--tls", "--ca-file",
                                  certificates.Crt("ca"), "--cert", certificates.Crt("client"),
                                  "--key", certificates.Key("client"), "127.0.0.1", port, image});
  ASSERT_EQ(loaded.status, 0) << loaded.out << loaded.err;
  const auto set = [](const std::string& key, const std::string& value) {
    return "setPreference(\"" + key + "\", \"" + value + "\")\n";
  };
  const std::string lines = set("archiveHost", "127.0.0.1") + set("callingAeTitle", "STORESCP") +
                            set("receivePort", std::to_string(receivePort)) +
                            set("tlsCaFile", certificates.Crt("ca")) +
                            set("tlsCertFile", certificates.Crt("server")) +
                            set("tlsKeyFile", certificates.Key("server")) + set("useTls", "1") +
                            "dicomRequest(\"127.0.0.1\", \"" + port +
                            "\", \"STORESCP\", \"ORTHANC\")\n"
                            "waitWindow(\"Dicom Request\", 10)\n"
                            "click(\"Dicom Request\", 6005)\n"
                            "rows(\"Dicom Request\", 6009)\n"
                            "selectRows(\"Dicom Request\", 6011, 0)\n"
                            "click(\"Dicom Request\", 6006)\n"
                            "displays()\n"
                            "closeWindow(\"Dicom Request\")";
  testing_support::TempDir dir;
  const auto run = RunProgram({"timeout", "120", "env", "QT_QPA_PLATFORM=offscreen",
                               "XDG_CONFIG_HOME=" + dir.File("config"), "TMPDIR=" + dir.File(""),
                               IMAGEHOST_BIN, "--plugin", PLUGIN, "-e", lines});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(Lines(run.out),
            (std::vector<std::string>{"1", "Doe John\tP3\t01/01/1960", "1\tDoe John\t8x8\t8\t0"}))
      << run.out << run.err;
}

}  // namespace
