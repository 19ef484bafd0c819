#include "net/pdu/PresentationContext.h"

namespace dicom {

std::uint16_t PresentationContext::Length() const {
  std::uint32_t length = 4 + abstractSyntax.Size();
  for (const TransferSyntaxItem& syntax : transferSyntaxes)
    length += syntax.Size();
  return static_cast<std::uint16_t>(length);
}

void PresentationContext::Write(ByteStream& out) const {
  WriteItemHeader(out, kType, Length());
  out.WriteU8(id);
  out.WriteU8(0);
  out.WriteU8(0);
  out.WriteU8(0);
  out.Flush();
  abstractSyntax.Write(out);
  for (const TransferSyntaxItem& syntax : transferSyntaxes)
    syntax.Write(out);
}

bool PresentationContext::ReadBody(PduReader& in) {
  transferSyntaxes.clear();
  in.U8();
  const std::uint16_t length = in.U16();
  const std::uint64_t start = in.Consumed();
  id = in.U8();
  in.U8();
  in.U8();
  in.U8();
  abstractSyntax.Read(in);  // the first sub-item, whatever its type says
  std::int64_t remaining = std::int64_t{length} - static_cast<std::int64_t>(in.Consumed() - start);
  while (remaining > 0 && !in.Failed()) {
    const std::uint64_t before = in.Consumed();
    transferSyntaxes.emplace_back().Read(in);
    remaining -= static_cast<std::int64_t>(in.Consumed() - before);
  }
  return remaining == 0 && !in.Failed();
}

}  // namespace dicom
