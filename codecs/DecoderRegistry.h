#pragma once

#include <span>
#include <string_view>

#include "codecs/PixelDecoder.h"

namespace dicom::codecs {

// One decoder's job: the code stream, the data set's description and an output of exactly
// FrameSize(description) bytes. The decoder checks its code stream's header against the
// description before it writes, and sets the output's photometric interpretation.
struct FrameJob {
  std::string_view transferSyntaxUid;
  std::span<const std::uint8_t> codeStream;
  const PixelDescription& description;
  std::span<std::uint8_t> output;
  PixelDescription& outputDescription;
};

using DecodeFunction = DecodeResult (*)(const FrameJob& job);

struct DecoderEntry {
  std::string_view transferSyntaxUid;
  std::string_view name;
  DecodeFunction decode;
};

// Every transfer syntax this layer decodes.
std::span<const DecoderEntry> Decoders();
// The decoder of the transfer syntax, or nullptr.
const DecoderEntry* FindDecoder(std::string_view transferSyntaxUid);

}  // namespace dicom::codecs
