#include "net/pdu/PresentationContextAccept.h"

namespace dicom {

void PresentationContextAccept::Write(ByteStream& out) const {
  WriteItemHeader(out, kType, Length());
  out.WriteU8(id);
  out.WriteU8(0);
  out.WriteU8(result);
  out.WriteU8(0);
  out.Flush();
  transferSyntax.Write(out);
}

bool PresentationContextAccept::ReadBody(PduReader& in) {
  in.U8();
  const std::uint16_t length = in.U16();
  const std::uint64_t start = in.Consumed();
  id = in.U8();
  in.U8();
  result = in.U8();
  in.U8();
  // A rejected context may carry no transfer syntax at all.
  if (length > 4) transferSyntax.Read(in);
  if (length < 4) return false;
  in.Skip(static_cast<std::uint32_t>(std::max<std::int64_t>(
      0, std::int64_t{length} - static_cast<std::int64_t>(in.Consumed() - start))));
  return in.Consumed() - start == length && !in.Failed();
}

}  // namespace dicom
