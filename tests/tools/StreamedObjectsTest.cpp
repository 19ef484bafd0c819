// Objects on their way through dicomnet: `receive` keeps an object as its fragments arrive, so
// one larger than any message held in memory (1 GiB) is stored whole, and one that the disk cannot
// take (a file size limit here) is answered with 0xA700 and leaves no file; `store` sends PDUs as
// large as the peer announces.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Hex.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"
#include "support/ScriptedPeer.h"
#include "tools/ToolTests.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr std::string_view kCtImage = "1.2.840.10008.5.1.4.1.1.2";
constexpr std::string_view kUid = "1.2.3.4.5";
#if defined(__SANITIZE_ADDRESS__)
// Instrumented, a gigabyte takes minutes; the cap itself is a release build's business.
constexpr std::uint64_t kLarge = 96u << 20;
#else
constexpr std::uint64_t kLarge = (1u << 30) + (16u << 20);
#endif

bool SendAll(int handle, const std::vector<std::uint8_t>& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    const ssize_t n = send(handle, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// One whole PDU, or empty when the connection ends first.
std::vector<std::uint8_t> ReceivePdu(int handle) {
  std::vector<std::uint8_t> pdu(6);
  const auto fill = [&](std::size_t from) {
    for (std::size_t got = from; got < pdu.size();) {
      const ssize_t n = recv(handle, pdu.data() + got, pdu.size() - got, 0);
      if (n <= 0) return false;
      got += static_cast<std::size_t>(n);
    }
    return true;
  };
  if (!fill(0)) return {};
  pdu.resize(6 + (std::size_t{pdu[2]} << 24 | std::size_t{pdu[3]} << 16 | pdu[4] << 8 | pdu[5]));
  return fill(6) ? pdu : std::vector<std::uint8_t>{};
}

// Stores an object whose pixel data (OW, implicit VR) has that many zero bytes, made as they are
// sent in PDUs of 64 KiB; the status of the response, or -1 when none came.
int StoreGenerated(std::uint16_t port, std::uint64_t pixelBytes) {
  const int handle = ConnectToLoopback(port);
  if (handle < 0) return -1;
  const timeval wait{120, 0};
  setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  const std::string command =
      CommandSet({CommandUi(0x0002, kCtImage), CommandUs(0x0100, 0x0001), CommandUs(0x0110, 1),
                  CommandUs(0x0700, 0), CommandUs(0x0800, 0x0102), CommandUi(0x1000, kUid)});
  const std::string head = "08 00 16 00 1a 00 00 00" + AsciiHex(kCtImage) + "00" +
                           "08 00 18 00 0a 00 00 00" + AsciiHex(kUid) + "00" + "e0 7f 10 00" +
                           LeHex(pixelBytes, 4);
  bool sent = SendAll(handle, FromHex(AssociateRequest(kCtImage))) &&
              ReceivePdu(handle).size() > 0 &&
              SendAll(handle, FromHex(DataPdu({{1, 3, command}}) + DataPdu({{1, 0, head}})));
  constexpr std::uint32_t kPiece = 1 << 16;
  for (std::uint64_t done = 0; sent && done < pixelBytes; done += kPiece) {
    const auto piece =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kPiece, pixelBytes - done));
    std::vector<std::uint8_t> pdu = FromHex("04 00" + Hex(piece + 6, 4) + Hex(piece + 2, 4) + "01" +
                                            (done + piece == pixelBytes ? "02" : "00"));
    pdu.resize(pdu.size() + piece);
    sent = SendAll(handle, pdu);
  }
  const std::vector<std::uint8_t> response =
      sent ? ReceivePdu(handle) : std::vector<std::uint8_t>{};
  // The status, (0000,0900) US, comes last but one in the response's command set.
  const std::vector<std::uint8_t> statusTag = FromHex("00 00 00 09 02 00 00 00");
  const auto at = std::search(response.begin(), response.end(), statusTag.begin(), statusTag.end());
  int status = -1;
  if (at != response.end() && response.end() - at >= 10) status = at[8] | at[9] << 8;
  if (SendAll(handle, FromHex(kReleaseRq))) ReceivePdu(handle);
  close(handle);
  return status;
}

TEST(StreamedObjectsTest, ReceivedBeyondTheMessageCapOrTheDisk) {
  const struct {
    std::uint64_t pixelBytes;
    const char* fileBlocks;  // ulimit -f, in 512-byte blocks
    int status;
  } cases[] = {{kLarge, "unlimited", 0x0000}, {8u << 20, "4096", 0xA700}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fileBlocks);
    Peer receiver;
    const std::string output = receiver.File("out");
    fs::create_directory(output);
    // Over the limit a write fails with EFBIG, as on a full disk, once the signal is ignored.
    ASSERT_EQ(receiver.Start(
                  {"sh", "-c",
                   std::string("trap '' XFSZ; ulimit -f ") + c.fileBlocks + "; exec \"$0\" \"$@\"",
                   DICOMNET_BIN, "receive", "--port", std::to_string(receiver.port), "--output-dir",
                   output}),
              "");
    EXPECT_EQ(StoreGenerated(receiver.port, c.pixelBytes), c.status) << receiver.Log();
    const std::string stored = output + "/" + std::string(kUid) + ".dcm";
    if (c.status == 0) {
      std::error_code error;
      // The meta header (282 bytes) and the elements before the pixel data (60).
      EXPECT_EQ(fs::file_size(stored, error), 342 + c.pixelBytes);
      fs::remove(stored);
    }
    EXPECT_TRUE(Names(output).empty()) << receiver.Log();
  }
}

// pydicom writes an object whose data set is 40000 bytes in implicit VR; the peer announces its
// maximum and takes it in that syntax. The data set leaves in PDUs of that maximum (a PDV header
// and 16378 data bytes for 16384), or of 4096 data bytes when the peer announces none.
TEST(StreamedObjectsTest, StoreSendsPdusAsLargeAsThePeerAnnounces) {
  const TempDir dir;
  const std::string file = dir.File("object.dcm");
  ASSERT_EQ(RunProgram({kSystemPython, "-c", R"(if 1:
    import sys
    from pydicom.dataset import Dataset, FileMetaDataset
    ds = Dataset(); ds.file_meta = m = FileMetaDataset(); m.TransferSyntaxUID = "1.2.840.10008.1.2.1"
    m.MediaStorageSOPClassUID = ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.2"
    m.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = "1.2.3.4"
    ds.is_little_endian, ds.is_implicit_VR = True, False
    ds.add_new(0x7FE00010, "OB", bytes(39942))  # with the two UIDs, 40000 bytes in implicit VR
    ds.save_as(sys.argv[1], write_like_original=False))",
                        file})
                .status,
            0);
  const struct {
    std::uint32_t peerMaximum;
    std::vector<std::uint32_t> fragments;
  } cases[] = {{16384, {16378, 16378, 7244}},
               {0, {4096, 4096, 4096, 4096, 4096, 4096, 4096, 4096, 4096, 3136}}};
  for (const auto& c : cases) {
    std::vector<ScriptedPeer::Step> steps = {
        ScriptedPeer::ExpectPdu(0x01),
        ScriptedPeer::Send(
            Accept({{1, 0}}, ImplicitSyntax(), Item(0x50, Item(0x51, Hex(c.peerMaximum, 4)))))};
    // The command, then the data set; no response comes, so the store fails after them.
    steps.resize(3 + c.fragments.size(), ScriptedPeer::ExpectPdu(0x04));
    steps.push_back(ScriptedPeer::Close());
    ScriptedPeer peer(steps);
    Dicomnet({"store", "--timeout", "5", "127.0.0.1", peer.PortText(), file});
    ASSERT_EQ(peer.Finish(), "") << c.peerMaximum;
    const std::vector<std::uint8_t>& received = peer.Received();
    // Past the request and the command's PDU.
    std::size_t at = 6 + (received[2] << 24 | received[3] << 16 | received[4] << 8 | received[5]);
    at += 6 + (received[at + 4] << 8 | received[at + 5]);
    for (std::size_t i = 0; i < c.fragments.size(); ++i) {
      const std::uint32_t fragment = c.fragments[i];
      const int last = i + 1 == c.fragments.size() ? 2 : 0;
      ASSERT_LE(at + 12, received.size());
      EXPECT_EQ(ToHex(std::span(received).subspan(at, 12)),
                ToHex(FromHex("04 00" + Hex(fragment + 6, 4) + Hex(fragment + 2, 4) + "01" +
                              Hex(last, 1))))
          << c.peerMaximum << " fragment " << i;
      at += 12 + fragment;
    }
    EXPECT_EQ(at, received.size());
  }
}

}  // namespace
