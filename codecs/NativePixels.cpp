#include "codecs/NativePixels.h"

#include <string>
#include <vector>

#include "codecs/PixelFrames.h"
#include "data/EncapsulatedPixelData.h"
#include "data/ImagePixelTags.h"
#include "data/Tag.h"

namespace dicom::codecs {

namespace {

constexpr Tag kExtendedOffsetTable = MakeTag(0x7FE0, 0x0001);
constexpr Tag kExtendedOffsetTableLengths = MakeTag(0x7FE0, 0x0002);

// A value's length field holds at most this, even; 0xFFFFFFFF means undefined.
constexpr std::uint64_t kMaxValueLength = 0xFFFFFFFE;

}  // namespace

DecodeResult DecompressPixelData(const DataSet& source, std::string_view transferSyntaxUid,
                                 DataSet& native) {
  native.Clear();
  const EncapsulatedFrames frames(source);
  if (frames.Status() != FrameStatus::Good) {
    // Nothing to decode: native pixel data, or none at all, goes on as it is.
    for (const auto& [tag, value] : source)
      native.Insert(tag, value);
    return {};
  }
  const PixelDescription description = DescribePixels(source);
  std::size_t frameBytes = 0;
  if (DecodeResult size = FrameSize(description, frameBytes); !size.Ok()) {
    size.reason = "frame 1: " + size.reason;
    return size;
  }
  const std::uint64_t total = std::uint64_t{frameBytes} * frames.Count();
  if (total > kMaxValueLength) {
    return {DecodeStatus::UnsupportedDescription, std::to_string(frames.Count()) + " frames of " +
                                                      std::to_string(frameBytes) +
                                                      " bytes do not fit in one value"};
  }
  // The samples padded to even length, as every value is.
  const auto length = static_cast<std::uint32_t>(total + (total & 1));
  std::unique_ptr<std::uint8_t[]> samples = AllocateValueBuffer(length);
  if (total & 1) samples[length - 1] = 0;
  PixelDescription decoded;
  std::vector<std::uint8_t> codeStream;
  for (std::uint32_t frame = 0; frame < frames.Count(); ++frame) {
    const std::string where = "frame " + std::to_string(frame + 1) + ": ";
    if (const FrameStatus found = frames.Get(frame, codeStream); found != FrameStatus::Good)
      return {DecodeStatus::Corrupt, where + std::string(dicom::Describe(found))};
    const std::span<std::uint8_t> output(samples.get() + std::size_t{frameBytes} * frame,
                                         frameBytes);
    DecodeResult result =
        DecodeFrameInto(transferSyntaxUid, codeStream, description, output, decoded);
    if (!result.Ok()) {
      result.reason = where + result.reason;
      return result;
    }
  }

  for (const auto& [tag, value] : source) {
    if (tag != kPixelDataTag && tag != kExtendedOffsetTable && tag != kExtendedOffsetTableLengths &&
        tag != kPhotometricInterpretationTag && tag != kPlanarConfigurationTag)
      native.Insert(tag, value);
  }
  native.InsertText(kPhotometricInterpretationTag, vr::CS, decoded.photometricInterpretation);
  if (description.samplesPerPixel > 1 || source.Contains(kPlanarConfigurationTag))
    native.InsertUS(kPlanarConfigurationTag, 0);
  native.InsertRaw(kPixelDataTag, description.bitsAllocated == 16 ? vr::OW : vr::OB, length,
                   std::move(samples));
  return {};
}

}  // namespace dicom::codecs
