#include <gtest/gtest.h>

#include "net/MemoryByteStream.h"
#include "net/pdu/AbortPdu.h"
#include "net/pdu/AssociateAcceptPdu.h"
#include "net/pdu/AssociateRejectPdu.h"
#include "net/pdu/AssociateRequestPdu.h"
#include "net/pdu/ReleasePdu.h"
#include "support/Hex.h"

namespace dicom {
namespace {

using testing_support::AsciiHex;
using testing_support::FromHex;
using testing_support::ToHex;

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
  EXPECT_EQ(Written(ReleaseRequestPdu{}), "05 00 00 00 00 04 00 00 00 00");
  EXPECT_EQ(Written(ReleaseResponsePdu{}), "06 00 00 00 00 04 00 00 00 00");
  EXPECT_EQ(Written(abort), "07 00 00 00 00 04 00 00 02 01");  // service provider, unrecognised
  EXPECT_EQ(Written(reject), "03 00 00 00 00 04 00 01 02 03");
}

TEST(Pdu, AeTitlesArePaddedOrCut) {
  struct Case {
    std::string_view title;
    std::string field;
  };
  for (const Case& c :
       {Case{"ARCHIVE", "ARCHIVE         "}, Case{"SIXTEEN_CHARS_AE", "SIXTEEN_CHARS_AE"},
        Case{"TWENTY_CHARACTERS_AE", "TWENTY_CHARACTERS_"}}) {
    AssociateRequestPdu request;
    request.SetCalledTitle(c.title);
    EXPECT_EQ(request.CalledTitle(), c.field.substr(0, 16));
    const std::vector<std::uint8_t> bytes = FromHex(Written(request));
    EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 26), c.field.substr(0, 16));
    EXPECT_EQ(std::string(bytes.begin() + 26, bytes.begin() + 42), std::string(16, ' '));
  }
}

// An A-ASSOCIATE-AC as a peer might send it: two results, a role selection, a version name.
const std::string kAccept = R"(
  02 00 00 00 00 bb                 # A-ASSOCIATE-AC, length 187
  00 01 00 00                       # protocol version 1
  41 52 43 48 49 56 45 20 20 20 20 20 20 20 20 20   # called AE "ARCHIVE"
  44 49 43 4f 4d 4e 45 54 20 20 20 20 20 20 20 20   # calling AE "DICOMNET"
  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
  10 00 00 15 31 2e 32 2e 38 34 30 2e 31 30 30 30 38 2e 33 2e 31 2e 31 2e 31  # app context
  21 00 00 19 01 00 00 00           # context 1: acceptance
    40 00 00 11 31 2e 32 2e 38 34 30 2e 31 30 30 30 38 2e 31 2e 32
  21 00 00 08 03 00 03 00           # context 3: abstract syntax not supported
    40 00 00 00
  50 00 00 31                       # user information, 49
    51 00 00 04 00 00 40 00         #   maximum length 16384
    54 00 00 0b 00 07 31 2e 32 2e 33 2e 34 01 00   # role selection "1.2.3.4", SCU
    52 00 00 05 31 2e 32 2e 33      #   implementation class "1.2.3"
    55 00 00 0d 4f 46 46 49 53 5f 44 43 4d 54 4b 5f 31   # version name
)";

TEST(Pdu, AcceptReadsWholeAtEverySplit) {
  const std::vector<std::uint8_t> bytes = FromHex(kAccept);
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
}

TEST(Pdu, TruncatedAcceptFailsTheRead) {
  const std::vector<std::uint8_t> bytes = FromHex(kAccept);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    MemoryByteStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    stream.SetInputByteOrder(ByteOrder::BigEndian);
    PduReader in(stream);
    AssociateAcceptPdu accept;
    accept.Read(in);
    EXPECT_TRUE(in.Failed()) << cut;
  }
}

TEST(Pdu, RequestReadsBackAsWritten) {
  AssociateRequestPdu request;
  request.SetCalledTitle("ARCHIVE");
  request.SetCallingTitle("DICOMNET");
  request.applicationContext.value = "1.2.840.10008.3.1.1.1";
  for (std::uint8_t id : {1, 3}) {
    PresentationContext& context = request.presentationContexts.emplace_back();
    context.id = id;
    context.abstractSyntax.value = "1.2.840.10008.5.1.4.1.1.7";
    context.transferSyntaxes.emplace_back().value = "1.2.840.10008.1.2";
    context.transferSyntaxes.emplace_back().value = "1.2.840.10008.1.2.1";
  }
  request.userInformation.maximumLength.maximumLength = 16384;
  request.userInformation.implementationClassUid.value = "1.2.40.0.12.0.9905";
  request.userInformation.implementationVersionName.value = "KORAL9905pc";
  const std::string bytes = Written(request);

  MemoryByteStream stream(FromHex(bytes));
  stream.SetInputByteOrder(ByteOrder::BigEndian);
  PduReader in(stream);
  AssociateRequestPdu read;
  ASSERT_TRUE(read.Read(in));
  EXPECT_EQ(Written(read), bytes);
}

}  // namespace
}  // namespace dicom
