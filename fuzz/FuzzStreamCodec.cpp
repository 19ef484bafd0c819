// Decodes a received message in the syntax chosen by the first byte. A message that decodes must
// encode again, and what it encodes to must decode to the same bytes once more.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "data/StreamCodec.h"
#include "net/MemoryByteStream.h"

namespace {

dicom::CodecStatus Decode(const std::vector<std::uint8_t>& bytes, dicom::TransferSyntax syntax,
                          dicom::DataSet& dataSet) {
  dicom::MemoryByteStream stream(bytes, 1024);
  stream.ReadAhead(static_cast<std::uint32_t>(bytes.size()));
  dicom::StreamCodec codec(stream, syntax);
  codec.ReadDataSet(dataSet);
  if (stream.Buffered() != 0) std::abort();
  return codec.Status();
}

std::vector<std::uint8_t> Encode(const dicom::DataSet& dataSet, dicom::TransferSyntax syntax,
                                 dicom::CodecStatus& status) {
  dicom::MemoryByteStream stream;
  dicom::StreamCodec codec(stream, syntax);
  codec.WriteDataSet(dataSet);
  status = codec.Status();
  stream.Flush();
  return stream.TakeOutput();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto syntax = static_cast<dicom::TransferSyntax>(data[0] % 3);
  const std::vector<std::uint8_t> message(data + 1, data + size);
  dicom::DataSet first;
  if (Decode(message, syntax, first) != dicom::CodecStatus::Good) return 0;
  dicom::CodecStatus status;
  const std::vector<std::uint8_t> encoded = Encode(first, syntax, status);
  if (status != dicom::CodecStatus::Good) return 0;
  dicom::DataSet second;
  if (Decode(encoded, syntax, second) != dicom::CodecStatus::Good) std::abort();
  if (Encode(second, syntax, status) != encoded) std::abort();
  return 0;
}
