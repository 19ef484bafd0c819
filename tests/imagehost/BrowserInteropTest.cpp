#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Certificates.h"
#include "support/Imagehost.h"

// The whole road against a real Orthanc: imagehost, driven by its macros, opens the browser,
// filters, lists and retrieves through the receiver it starts itself, or with C-GET.
namespace {

using namespace testing_support;

constexpr const char* kCt = "1.2.840.10008.5.1.4.1.1.2";
const std::string kRoot = "1.2.826.0.1.3680043.10.1021.";

// patient (bytes as stored), character set, id, modality, SOP class, study, instance number.
bool WriteImage(const std::vector<std::string>& image, int number, const std::string& path) {
  std::vector<std::pair<dicom::Tag, std::string>> elements = {
      {0x00080016, image[4]},
      {0x00080018, kRoot + "5." + std::to_string(number)},
      {0x00080020, "20020115"},
      {0x00080060, image[3]},
      {0x00100010, image[0]},
      {0x00100020, image[2]},
      {0x00100030, "19600101"},
      {0x0020000D, kRoot + "3." + image[5]},
      {0x0020000E, kRoot + "4." + image[5]},
      {0x00200010, "S" + image[5]},
      {0x00200011, "10"},
      {0x00200013, image[6]}};
  if (!image[1].empty()) elements.emplace_back(0x00080005, image[1]);
  return WriteSmallImage(path, elements);
}

// The macro's output lines, from imagehost run with its own configuration and temporary
// directory (which must hold no retrieved file afterwards).
std::vector<std::string> RunMacro(const std::string& lines) {
  TempDir dir;
  const auto run = RunHost(dir, lines);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("tempDic.dic")));
  return Lines(run.out);
}

std::string Browse(std::uint16_t port, const std::string& callingTitle) {
  return "dicomRequest(\"127.0.0.1\", \"" + std::to_string(port) + "\", \"" + callingTitle +
         "\", \"ORTHANC\")\nwaitWindow(\"Dicom Request\", 10)\n";
}

const std::string kFilterMuller =
    "click(\"Dicom Request\", 6014)\nwaitWindow(\"Filter\", 10)\ncheck(\"Filter\", 6024)\n"
    "setText(\"Filter\", 6016, \"Müller\")\nclick(\"Filter\", 1)\nclick(\"Dicom Request\", 6005)\n";
const std::string kRetrieve =
    "click(\"Dicom Request\", 6006)\ndisplays()\ncloseWindow(\"Dicom Request\")";

// Orthanc knows STORESCP at the receive port and DICOMNET at a port where nothing listens: move
// goes through the receiver, get needs no way back. Loaded with two images of Müller Hans in
// study 1 and one each of two other patients.
TEST(BrowserInteropTest, FilterListAndRetrieveFromOrthancWithMoveAndGet) {
  const std::uint16_t receivePort = FreePort();
  Peer orthanc;
  ASSERT_EQ(orthanc.Start(PeerArgs("Orthanc", orthanc, receivePort)), "");
  const std::vector<std::vector<std::string>> images = {
      {"M\xFCller^Hans", "", "P1", "CT", kCt, "1", "11"},  // Latin-1, no character set
      {"M\xFCller^Hans", "", "P1", "CT", kCt, "1", "12"},
      {"H\xC3\xA9l\xC3\xA8ne^Marie", "ISO_IR 192", "P2", "MR", "1.2.840.10008.5.1.4.1.1.4", "2",
       "11"},  // UTF-8
      {"Doe^John", "", "P3", "CT", kCt, "3", "11"},
  };
  std::vector<std::string> store = {DICOMNET_BIN, "store",     "-aec",
                                    "ORTHANC",    "127.0.0.1", std::to_string(orthanc.port)};
  for (std::size_t i = 0; i < images.size(); ++i) {
    store.push_back(orthanc.File("image" + std::to_string(i) + ".dcm"));
    ASSERT_TRUE(WriteImage(images[i], static_cast<int>(i) + 1, store.back()));
  }
  const auto loaded = RunProgram(store);
  ASSERT_EQ(loaded.status, 0) << loaded.out << loaded.err;

  const std::vector<std::string> out = RunMacro(
      SetPreference("callingAeTitle", "STORESCP") +
      SetPreference("receivePort", std::to_string(receivePort)) + SetPreference("dateOrder", "1") +
      SetPreference("dateSeparator", ".") + Browse(orthanc.port, "STORESCP") +
      "click(\"Dicom Request\", 6005)\nrows(\"Dicom Request\", 6009)\n" + kFilterMuller +
      "text(\"Dicom Request\", 6013)\nrows(\"Dicom Request\", 6009)\n"
      "rows(\"Dicom Request\", 6037)\nrows(\"Dicom Request\", 6010)\n"
      "rows(\"Dicom Request\", 6011)\n"
      "wait(3000)\n"  // the archive closes the idle association after 2 s
      "selectRows(\"Dicom Request\", 6011, 0, 1)\n" +
      kRetrieve);
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

  // With get the images come on the browser's association and nothing goes to the receiver. A
  // retrieved image goes back to the archive from the host's copy, its file being gone.
  EXPECT_EQ(RunMacro(SetPreference("retrieveMethod", "get") +
                     SetPreference("receivePort", std::to_string(FreePort())) +
                     Browse(orthanc.port, "DICOMNET") + kFilterMuller +
                     "selectRows(\"Dicom Request\", 6011, 0, 1)\n" + kRetrieve +
                     "\nsendImage(2, \"127.0.0.1\", \"" + std::to_string(orthanc.port) +
                     "\", \"DICOMNET\", \"ORTHANC\", 0)"),
            (std::vector<std::string>{"1", "1\tMüller Hans \t8x8\t8\t0",
                                      "2\tMüller Hans \t8x8\t8\t0", "0\tThe image was stored."}));
}

// The browser's Update and a retrieve over TLS: the host's certificate serves the browser's
// association and the receiver it starts, which takes only the archive host.
TEST(BrowserInteropTest, ListAndRetrieveOverTls) {
  Certificates certificates;
  ASSERT_EQ(certificates.Make(), "");
  const std::uint16_t receivePort = FreePort();
  Peer orthanc;
  ASSERT_EQ(orthanc.Start(TlsOrthancArgs(orthanc, certificates, receivePort)), "");
  const std::string image = orthanc.File("image.dcm");
  ASSERT_TRUE(WriteImage({"Doe^John", "", "P3", "CT", kCt, "3", "11"}, 1, image));
  const auto loaded =
      RunProgram({DICOMNET_BIN, "store", "-aec", "ORTHANC", "--tls", "--ca-file",
                  certificates.Crt("ca"), "--cert", certificates.Crt("client"), "--key",
                  certificates.Key("client"), "127.0.0.1", std::to_string(orthanc.port), image});
  ASSERT_EQ(loaded.status, 0) << loaded.out << loaded.err;
  EXPECT_EQ(RunMacro(SetPreference("archiveHost", "127.0.0.1") +
                     SetPreference("callingAeTitle", "STORESCP") +
                     SetPreference("receivePort", std::to_string(receivePort)) +
                     SetPreference("tlsCaFile", certificates.Crt("ca")) +
                     SetPreference("tlsCertFile", certificates.Crt("server")) +
                     SetPreference("tlsKeyFile", certificates.Key("server")) +
                     SetPreference("useTls", "1") + Browse(orthanc.port, "STORESCP") +
                     "click(\"Dicom Request\", 6005)\nrows(\"Dicom Request\", 6009)\n"
                     "selectRows(\"Dicom Request\", 6011, 0)\n" +
                     kRetrieve),
            (std::vector<std::string>{"1", "Doe John\tP3\t01/01/1960", "1\tDoe John\t8x8\t8\t0"}));
}

}  // namespace
