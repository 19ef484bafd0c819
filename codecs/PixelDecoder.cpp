#include "codecs/PixelDecoder.h"

#include <limits>

#include "codecs/Decoders.h"

namespace dicom::codecs {

std::string_view Describe(DecodeStatus status) {
  switch (status) {
    case DecodeStatus::Good:
      return "good";
    case DecodeStatus::UnsupportedSyntax:
      return "unsupported transfer syntax";
    case DecodeStatus::UnsupportedDescription:
      return "unsupported pixel description";
    case DecodeStatus::Mismatch:
      return "code stream differs from the data set";
    case DecodeStatus::Truncated:
      return "code stream truncated";
    case DecodeStatus::Corrupt:
      return "code stream corrupt";
  }
  return "unknown";
}

DecodeResult Failure(DecodeStatus status, std::string reason) {
  return {status, std::move(reason)};
}

DecodeResult FrameSize(const PixelDescription& d, std::size_t& bytes) {
  bytes = 0;
  if (d.bitsAllocated != 8 && d.bitsAllocated != 16)
    return Failure(
        DecodeStatus::UnsupportedDescription,
        "bits allocated " + std::to_string(d.bitsAllocated) + " (only 8 and 16 are decoded)");
  if (d.bitsStored < 1 || d.bitsStored > d.bitsAllocated)
    return Failure(DecodeStatus::UnsupportedDescription,
                   "bits stored " + std::to_string(d.bitsStored) + " with bits allocated " +
                       std::to_string(d.bitsAllocated));
  if (d.samplesPerPixel < 1 || d.samplesPerPixel > 3)
    return Failure(
        DecodeStatus::UnsupportedDescription,
        "samples per pixel " + std::to_string(d.samplesPerPixel) + " (only 1 to 3 are decoded)");
  if (d.rows == 0 || d.columns == 0)
    return Failure(DecodeStatus::UnsupportedDescription, "an image without rows or columns");
  if (d.pixelRepresentation > 1 || d.planarConfiguration > 1)
    return Failure(DecodeStatus::UnsupportedDescription,
                   "pixel representation or planar configuration above 1");
  // Each factor is at most 2^32 - 1 and the limit is 2^30, so checking after every product keeps
  // every intermediate inside 64 bits.
  std::uint64_t size = d.rows;
  for (const std::uint64_t factor : {std::uint64_t{d.columns}, std::uint64_t{d.samplesPerPixel},
                                     std::uint64_t{d.bitsAllocated / 8}}) {
    size *= factor;
    if (size > kMaxFrameBytes)
      return Failure(DecodeStatus::UnsupportedDescription,
                     "a frame of " + std::to_string(d.rows) + " x " + std::to_string(d.columns) +
                         " x " + std::to_string(d.samplesPerPixel) + " samples is above " +
                         std::to_string(kMaxFrameBytes) + " bytes");
  }
  bytes = static_cast<std::size_t>(size);
  return {};
}

DecodeResult CheckGeometry(const FrameJob& job, const CodeStreamGeometry& g,
                           std::string_view what) {
  const PixelDescription& d = job.description;
  if (g.width == d.columns && g.height == d.rows && g.components == d.samplesPerPixel &&
      g.precision >= 1 && g.precision <= d.bitsAllocated)
    return {};
  return Failure(
      DecodeStatus::Mismatch,
      "the " + std::string(what) + " code stream holds " + std::to_string(g.width) + " x " +
          std::to_string(g.height) + " pixels of " + std::to_string(g.components) + " samples at " +
          std::to_string(g.precision) + " bits, the data set " + std::to_string(d.columns) + " x " +
          std::to_string(d.rows) + " of " + std::to_string(d.samplesPerPixel) + " at " +
          std::to_string(d.bitsStored) + " of " + std::to_string(d.bitsAllocated) + " bits");
}

bool LooksTruncated(std::span<const std::uint8_t> in) {
  if (in.size() < 4) return true;
  const bool knownStart = (in[0] == 0xFF && (in[1] == 0xD8 || in[1] == 0x4F)) ||
                          (in[0] == 0 && in[1] == 0 && in[2] == 0 && in[3] == 0x0C);
  std::size_t end = in.size();
  while (end > 0 && in.size() - end < 4 && in[end - 1] == 0x00)
    --end;
  return knownStart && !(end >= 2 && in[end - 2] == 0xFF && in[end - 1] == 0xD9);
}

DecodeResult DecodeFrameInto(std::string_view transferSyntaxUid,
                             std::span<const std::uint8_t> codeStream,
                             const PixelDescription& description, std::span<std::uint8_t> output,
                             PixelDescription& outputDescription) {
  const DecoderEntry* entry = FindDecoder(transferSyntaxUid);
  if (entry == nullptr)
    return Failure(DecodeStatus::UnsupportedSyntax,
                   "no decoder for transfer syntax " + std::string(transferSyntaxUid));
  std::size_t bytes = 0;
  if (DecodeResult size = FrameSize(description, bytes); !size.Ok()) return size;
  if (output.size() != bytes)
    return Failure(DecodeStatus::UnsupportedDescription,
                   "an output of " + std::to_string(output.size()) + " bytes for a frame of " +
                       std::to_string(bytes));
  outputDescription = description;
  outputDescription.planarConfiguration = 0;
  DecodeResult result =
      codeStream.empty()
          ? Failure(DecodeStatus::Truncated, "an empty frame")
          : entry->decode({transferSyntaxUid, codeStream, description, output, outputDescription});
  if (!result.Ok())
    result.reason =
        std::string(entry->name) + " (" + std::string(transferSyntaxUid) + "): " + result.reason;
  return result;
}

DecodeResult DecodeFrame(std::string_view transferSyntaxUid,
                         std::span<const std::uint8_t> codeStream,
                         const PixelDescription& description, DecodedFrame& frame) {
  frame.samples.clear();
  std::size_t bytes = 0;
  if (FindDecoder(transferSyntaxUid) != nullptr && FrameSize(description, bytes).Ok())
    frame.samples.resize(bytes);
  DecodeResult result =
      DecodeFrameInto(transferSyntaxUid, codeStream, description, frame.samples, frame.description);
  if (!result.Ok()) frame.samples = {};
  return result;
}

}  // namespace dicom::codecs
