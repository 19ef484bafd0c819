// Reads the input as a PDU from a peer, whatever its type says, through the readers the
// association uses.
#include <cstdint>
#include <vector>

#include "net/MemoryByteStream.h"
#include "net/pdu/AbortPdu.h"
#include "net/pdu/AssociateAcceptPdu.h"
#include "net/pdu/AssociateRejectPdu.h"
#include "net/pdu/AssociateRequestPdu.h"
#include "net/pdu/DataTransferPdu.h"
#include "net/pdu/ReleasePdu.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dicom::MemoryByteStream stream(std::vector<std::uint8_t>(data, data + size), 7);
  stream.SetInputByteOrder(dicom::ByteOrder::BigEndian);
  dicom::PduReader in(stream);
  switch (in.U8()) {
    case dicom::AssociateRequestPdu::kType:
      dicom::AssociateRequestPdu().ReadBody(in);
      break;
    case dicom::AssociateAcceptPdu::kType:
      dicom::AssociateAcceptPdu().ReadBody(in);
      break;
    case dicom::AssociateRejectPdu::kType:
      dicom::AssociateRejectPdu().ReadBody(in);
      break;
    case dicom::DataTransferPdu::kType:
      for (dicom::DataTransferPdu::ReadLength(in); !in.Failed();) {
        in.Skip(dicom::DataTransferPdu::ReadPdvHeader(in).length % 4096);
      }
      break;
    case dicom::ReleaseRequestPdu::kType:
      dicom::ReleaseRequestPdu().ReadBody(in);
      break;
    case dicom::AbortPdu::kType:
      dicom::AbortPdu().ReadBody(in);
      break;
    default:
      break;
  }
  return 0;
}
