#include <gtest/gtest.h>

#include "net/MemoryByteStream.h"
#include "net/pdu/AbortPdu.h"
#include "net/pdu/AssociateAcceptPdu.h"
#include "net/pdu/AssociateRejectPdu.h"
#include "net/pdu/AssociateRequestPdu.h"
#include "net/pdu/ReleasePdu.h"
#include "support/Hex.h"
#include "support/PduFixtures.h"

namespace dicom {
namespace {

using namespace testing_support;

template <class T>
std::string Written(const T& pdu) {
  MemoryByteStream stream;
  stream.SetOutputByteOrder(ByteOrder::BigEndian);
  pdu.Write(stream);
  EXPECT_EQ(stream.Pending(), 0u) << "every PDU leaves flushed";
  EXPECT_EQ(stream.Output().size(), pdu.Size());
  return ToHex(stream.Output());
}

TEST(Pdu, FixedSizePdus) {
  AbortPdu abort;
  abort.reason = AbortPdu::UnrecognizedPdu;
  AssociateRejectPdu reject;
  reject.result = 1;
  reject.source = 2;
  reject.reason = 3;
  EXPECT_EQ(Written(ReleaseRequestPdu{}), kReleaseRq);
  EXPECT_EQ(Written(ReleaseResponsePdu{}), kReleaseRp);
  EXPECT_EQ(Written(abort), "07 00 00 00 00 04 00 00 02 01");  // service provider, unrecognised
  EXPECT_EQ(Written(reject), "03 00 00 00 00 04 00 01 02 03");
}

TEST(Pdu, AeTitlesArePaddedOrCut) {
  const char* cases[][2] = {{"ARCHIVE", "ARCHIVE         "},
                            {"SIXTEEN_CHARS_AE", "SIXTEEN_CHARS_AE"},
                            {"TWENTY_CHARACTERS_AE", "TWENTY_CHARACTER"}};
  for (const auto& [title, field] : cases) {
    AssociateRequestPdu request;
    request.SetCalledTitle(title);
    EXPECT_EQ(request.CalledTitle(), field);
    const std::vector<std::uint8_t> bytes = FromHex(Written(request));
    EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 26), field);
    EXPECT_EQ(std::string(bytes.begin() + 26, bytes.begin() + 42), std::string(16, ' '));
  }
}

TEST(Pdu, AcceptReadsWholeAtEverySplitAndTruncatedFails) {
  // Context 1 accepted, context 3 refused with an empty transfer syntax; a role selection.
  const std::vector<std::uint8_t> bytes = FromHex(
      Pdu(0x02, AssociateBody(Item(0x21, "01 00 00 00" + Item(0x40, ImplicitSyntax())) +
                              Item(0x21, "03 00 03 00" + Item(0x40, "")) +
                              Item(0x50, Item(0x51, "00 00 40 00") +
                                             Item(0x54, "00 07" + AsciiHex("1.2.3.4") + "01 00") +
                                             Item(0x52, AsciiHex("1.2.3")) +
                                             Item(0x55, AsciiHex("ARCHIVE_SCP_1"))))));
  for (std::uint32_t chunk = 1; chunk <= bytes.size(); ++chunk) {
    MemoryByteStream stream(bytes, chunk);
    stream.SetInputByteOrder(ByteOrder::BigEndian);
    PduReader in(stream);
    AssociateAcceptPdu accept;
    ASSERT_TRUE(accept.Read(in)) << chunk;
    ASSERT_EQ(in.Consumed(), bytes.size());
    ASSERT_EQ(accept.presentationContexts.size(), 2u);
    EXPECT_EQ(accept.presentationContexts[0].transferSyntax.value.View(), "1.2.840.10008.1.2");
    EXPECT_EQ(accept.presentationContexts[1].result,
              PresentationContextAccept::AbstractSyntaxNotSupported);
    EXPECT_EQ(accept.userInformation.maximumLength.maximumLength, 16384u);
    EXPECT_EQ(accept.userInformation.roleSelection.sopClassUid.View(), "1.2.3.4");
    EXPECT_EQ(accept.userInformation.implementationClassUid.value.View(), "1.2.3");
    EXPECT_EQ(accept.CalledTitle(), "ARCHIVE         ");
  }
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    MemoryByteStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    stream.SetInputByteOrder(ByteOrder::BigEndian);
    PduReader in(stream);
    AssociateAcceptPdu().Read(in);
    EXPECT_TRUE(in.Failed()) << cut;
  }
}

TEST(Pdu, RequestWritesBackAsRead) {
  const std::string context = Item(0x30, AsciiHex("1.2.840.10008.5.1.4.1.1.7")) +
                              Item(0x40, ImplicitSyntax()) +
                              Item(0x40, AsciiHex("1.2.840.10008.1.2.1"));
  const std::vector<std::uint8_t> bytes =
      FromHex(Pdu(0x01, AssociateBody(Item(0x20, "01 00 00 00" + context) +
                                      Item(0x20, "03 00 00 00" + context) + UserInformation())));
  MemoryByteStream stream(bytes);
  stream.SetInputByteOrder(ByteOrder::BigEndian);
  PduReader in(stream);
  AssociateRequestPdu request;
  ASSERT_TRUE(request.Read(in));
  EXPECT_EQ(request.presentationContexts.size(), 2u);
  EXPECT_EQ(Written(request), ToHex(bytes));
}

}  // namespace
}  // namespace dicom
