// Decodes a message with encapsulated pixel data (first byte odd: a deflated message) and looks
// up every frame. A message that decodes must encode again, and what it encodes to must decode
// to the same bytes once more.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "data/EncapsulatedPixelData.h"
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

std::vector<std::uint8_t> Encode(const dicom::DataSet& dataSet, dicom::TransferSyntax syntax) {
  dicom::MemoryByteStream stream;
  dicom::StreamCodec codec(stream, syntax);
  codec.WriteDataSet(dataSet);
  if (codec.Status() != dicom::CodecStatus::Good) std::abort();
  stream.Flush();
  return stream.TakeOutput();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto syntax = data[0] % 2 ? dicom::DeflatedExplicitLittleEndian : dicom::JpegLosslessSv1;
  const std::vector<std::uint8_t> message(data + 1, data + size);
  dicom::DataSet first;
  if (Decode(message, syntax, first) != dicom::CodecStatus::Good) return 0;

  const dicom::EncapsulatedFrames frames(first);
  std::vector<std::uint8_t> frame;
  // The number of frames is the data set's word; past the fragments only failures can follow.
  const std::uint32_t tried = static_cast<std::uint32_t>(std::min<std::uint64_t>(
      frames.Count(), frames.Pixels() ? frames.Pixels()->fragments.size() + 2 : 1));
  for (std::uint32_t i = 0; i < tried; ++i) {
    if (frames.Get(i, frame) == dicom::FrameStatus::Good && frame.size() > message.size()) {
      std::abort();
    }
  }

  const std::vector<std::uint8_t> encoded = Encode(first, syntax);
  dicom::DataSet second;
  if (Decode(encoded, syntax, second) != dicom::CodecStatus::Good) std::abort();
  if (Encode(second, syntax) != encoded) std::abort();
  return 0;
}
