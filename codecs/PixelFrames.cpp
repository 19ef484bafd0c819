#include "codecs/PixelFrames.h"

#include <charconv>
#include <string>
#include <vector>

#include "data/EncapsulatedPixelData.h"
#include "data/ImagePixelTags.h"
#include "data/Tag.h"

namespace dicom::codecs {

namespace {

std::uint32_t Unsigned(const DataSet& dataSet, Tag tag, std::uint16_t missing) {
  std::uint16_t value = missing;
  return dataSet.GetUS(tag, value, 0) ? value : missing;
}

}  // namespace

PixelDescription DescribePixels(const DataSet& dataSet) {
  PixelDescription description;
  description.rows = Unsigned(dataSet, kRowsTag, 0);
  description.columns = Unsigned(dataSet, kColumnsTag, 0);
  description.samplesPerPixel = Unsigned(dataSet, kSamplesPerPixelTag, 1);
  description.bitsAllocated = Unsigned(dataSet, kBitsAllocatedTag, 0);
  description.bitsStored =
      Unsigned(dataSet, kBitsStoredTag, static_cast<std::uint16_t>(description.bitsAllocated));
  description.pixelRepresentation = Unsigned(dataSet, kPixelRepresentationTag, 0);
  description.planarConfiguration = Unsigned(dataSet, kPlanarConfigurationTag, 0);
  description.photometricInterpretation = dataSet.GetText(kPhotometricInterpretationTag, vr::CS);
  if (description.photometricInterpretation.empty())
    description.photometricInterpretation =
        description.samplesPerPixel == 3 ? "RGB" : "MONOCHROME2";
  // A count that is no positive number is one frame, as the frame lookup takes it.
  std::string frames = dataSet.GetTextValue(kNumberOfFramesTag, 0, vr::IS);
  frames.erase(0, frames.find_first_not_of(' '));
  frames.erase(frames.find_last_not_of(' ') + 1);
  std::uint32_t count = 0;
  const auto [end, error] = std::from_chars(frames.data(), frames.data() + frames.size(), count);
  description.numberOfFrames =
      error == std::errc() && end == frames.data() + frames.size() && count > 0 ? count : 1;
  return description;
}

DecodeResult DecodePixelFrame(const DataSet& dataSet, std::string_view transferSyntaxUid,
                              std::uint32_t frame, DecodedFrame& decoded) {
  const std::string where = "frame " + std::to_string(frame + 1) + ": ";
  const EncapsulatedFrames frames(dataSet);
  std::vector<std::uint8_t> codeStream;
  if (const FrameStatus found = frames.Get(frame, codeStream); found != FrameStatus::Good) {
    return {DecodeStatus::Corrupt, where + std::string(dicom::Describe(found))};
  }
  DecodeResult result =
      DecodeFrame(transferSyntaxUid, codeStream, DescribePixels(dataSet), decoded);
  if (!result.Ok()) result.reason = where + result.reason;
  return result;
}

}  // namespace dicom::codecs
