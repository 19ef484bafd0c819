#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>

#include "codecs/PixelFrames.h"
#include "data/DataSet.h"
#include "data/ImagePixelTags.h"
#include "data/Tag.h"
#include "data/VrCode.h"
#include "hostlibs/vekbase/Displays.h"

namespace vekbase {

namespace {

using dicom::MakeTag;
using dicom::Tag;

constexpr Tag kWindowCenter = MakeTag(0x0028, 0x1050);
constexpr Tag kWindowWidth = MakeTag(0x0028, 0x1051);
constexpr Tag kRescaleIntercept = MakeTag(0x0028, 0x1052);
constexpr Tag kRescaleSlope = MakeTag(0x0028, 0x1053);

// The first value of a DS element; none when it is absent or not a number.
std::optional<double> DecimalValue(const dicom::DataSet& dataSet, Tag tag) {
  std::string text = dataSet.GetTextValue(tag, 0, dicom::vr::DS);
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::uint16_t UnsignedValue(const dicom::DataSet& dataSet, Tag tag, std::uint16_t missing) {
  std::uint16_t value = missing;
  return dataSet.GetUS(tag, value, 0) ? value : missing;
}

bool CheckedProduct(std::initializer_list<std::size_t> factors, std::size_t& product) {
  product = 1;
  for (std::size_t factor : factors) {
    if (__builtin_mul_overflow(product, factor, &product)) return false;
  }
  return true;
}

struct GreyLayout {
  int bitsAllocated;
  int bitsStored;
  int shift;  // high bit + 1 - bits stored
  bool isSigned;
  bool invert;  // MONOCHROME1: the lowest value is white
};

std::uint8_t Clamp8(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// The VOI window as the standard's linear function: values up to the lower edge are black, above
// the upper edge white, the ones in between spread over the grey levels.
std::uint8_t Window(double value, double centre, double width) {
  const double lower = centre - 0.5 - (width - 1) / 2;
  const double upper = centre - 0.5 + (width - 1) / 2;
  if (value <= lower) return 0;
  if (value > upper) return 255;
  return Clamp8(((value - (centre - 0.5)) / (width - 1) + 0.5) * 255);
}

void DecodeGrey(const dicom::DataSet& dataSet, const std::uint8_t* data, std::size_t pixelCount,
                const GreyLayout& layout, Image& image) {
  const double slope = DecimalValue(dataSet, kRescaleSlope).value_or(1.0);
  const double intercept = DecimalValue(dataSet, kRescaleIntercept).value_or(0.0);
  const std::uint32_t mask = (1u << layout.bitsStored) - 1;
  const std::uint32_t signBit = 1u << (layout.bitsStored - 1);

  std::vector<double> values(pixelCount);
  image.storedValues.resize(pixelCount);
  for (std::size_t i = 0; i < pixelCount; ++i) {
    std::uint32_t raw = layout.bitsAllocated == 8
                            ? data[i]
                            : static_cast<std::uint32_t>(data[2 * i] | (data[2 * i + 1] << 8));
    raw = (raw >> layout.shift) & mask;
    long stored = static_cast<long>(raw);
    if (layout.isSigned && (raw & signBit) != 0) stored -= static_cast<long>(mask) + 1;
    image.storedValues[i] = static_cast<std::int32_t>(stored);
    values[i] = stored * slope + intercept;
  }

  const std::optional<double> centre = DecimalValue(dataSet, kWindowCenter);
  const std::optional<double> width = DecimalValue(dataSet, kWindowWidth);
  image.pixels.resize(pixelCount);
  if (centre && width && *width >= 1) {
    for (std::size_t i = 0; i < pixelCount; ++i)
      image.pixels[i] = Window(values[i], *centre, *width);
  } else {
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const double range = *high - *low;
    for (std::size_t i = 0; i < pixelCount; ++i)
      image.pixels[i] = range > 0 ? Clamp8((values[i] - *low) / range * 255) : 0;
  }
  if (layout.invert) {
    for (std::uint8_t& pixel : image.pixels)
      pixel = static_cast<std::uint8_t>(255 - pixel);
  }
}

void DecodeRgb(const std::uint8_t* data, std::size_t pixelCount, bool planar, Image& image) {
  if (!planar) {
    image.pixels.assign(data, data + pixelCount * 3);
    return;
  }
  image.pixels.resize(pixelCount * 3);
  for (std::size_t i = 0; i < pixelCount; ++i) {
    for (std::size_t sample = 0; sample < 3; ++sample)
      image.pixels[i * 3 + sample] = data[sample * pixelCount + i];
  }
}

// YCbCr of full range, as the lossless syntaxes may keep a colour image, to RGB.
void ConvertYbrFull(std::vector<std::uint8_t>& pixels) {
  for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) {
    const double y = pixels[i], cb = pixels[i + 1] - 128.0, cr = pixels[i + 2] - 128.0;
    pixels[i] = Clamp8(y + 1.402 * cr);
    pixels[i + 1] = Clamp8(y - 0.344136 * cb - 0.714136 * cr);
    pixels[i + 2] = Clamp8(y + 1.772 * cb);
  }
}

}  // namespace

std::string StoredValueText(const Image& image, int x, int y) {
  if (x < 0 || y < 0 || x >= image.columns || y >= image.rows) return {};
  const std::size_t at = static_cast<std::size_t>(y) * image.columns + x;
  if (image.samplesPerPixel == 1) {
    return at < image.storedValues.size() ? std::to_string(image.storedValues[at]) : std::string();
  }
  if (image.pixels.size() < 3 * (at + 1)) return {};
  return std::to_string(image.pixels[3 * at]) + ',' + std::to_string(image.pixels[3 * at + 1]) +
         ',' + std::to_string(image.pixels[3 * at + 2]);
}

bool DecodeImage(const dicom::DataSet& dataSet, std::string_view transferSyntaxUid, Image& image,
                 std::string& error) {
  const std::uint16_t rows = UnsignedValue(dataSet, dicom::kRowsTag, 0);
  const std::uint16_t columns = UnsignedValue(dataSet, dicom::kColumnsTag, 0);
  if (rows == 0 || columns == 0) {
    error = "the image has no rows or no columns";
    return false;
  }
  const std::uint16_t samples = UnsignedValue(dataSet, dicom::kSamplesPerPixelTag, 1);
  const std::uint16_t bitsAllocated = UnsignedValue(dataSet, dicom::kBitsAllocatedTag, 0);
  const std::uint16_t bitsStored = UnsignedValue(dataSet, dicom::kBitsStoredTag, bitsAllocated);
  const std::uint16_t highBit =
      UnsignedValue(dataSet, dicom::kHighBitTag, static_cast<std::uint16_t>(bitsStored - 1));
  std::string photometric = dataSet.GetText(dicom::kPhotometricInterpretationTag, dicom::vr::CS);
  if (photometric.empty()) photometric = samples == 3 ? "RGB" : "MONOCHROME2";

  const dicom::ValuePtr pixelData = dataSet.GetValue(dicom::kPixelDataTag);
  if (!pixelData) {
    error = "the file holds no pixel data";
    return false;
  }
  const bool encapsulated = pixelData->Encapsulated() != nullptr;
  const bool isGrey =
      samples == 1 && (photometric == "MONOCHROME1" || photometric == "MONOCHROME2");
  // A JPEG decoder turns subsampled YCbCr into RGB itself; uncompressed, it is not shown.
  const bool isColour = samples == 3 && (photometric == "RGB" || photometric == "YBR_FULL" ||
                                         (encapsulated && photometric == "YBR_FULL_422"));
  if (!isGrey && !isColour) {
    error = "unsupported photometric interpretation " + photometric + " with " +
            std::to_string(samples) + " samples per pixel";
    return false;
  }
  if (isGrey ? bitsAllocated != 8 && bitsAllocated != 16 : bitsAllocated != 8) {
    error = "unsupported bits allocated " + std::to_string(bitsAllocated) + " for " + photometric;
    return false;
  }
  if (bitsStored == 0 || bitsStored > bitsAllocated || highBit < bitsStored - 1 ||
      highBit >= bitsAllocated) {
    error = "inconsistent bits stored " + std::to_string(bitsStored) + " and high bit " +
            std::to_string(highBit) + " for bits allocated " + std::to_string(bitsAllocated);
    return false;
  }

  std::size_t pixelCount = 0;
  std::size_t frameBytes = 0;
  if (!CheckedProduct({rows, columns}, pixelCount) ||
      !CheckedProduct({pixelCount, samples, std::size_t{bitsAllocated} / 8}, frameBytes)) {
    error = "the image is too large";
    return false;
  }
  // The frame's samples: decoded from their fragments, always interleaved and in the low bits,
  // or the pixel data as stored.
  dicom::codecs::DecodedFrame decoded;
  const std::uint8_t* samplesData = pixelData->Data();
  bool planar = UnsignedValue(dataSet, dicom::kPlanarConfigurationTag, 0) == 1;
  int shift = highBit + 1 - bitsStored;
  std::string colourSpace = photometric;
  if (encapsulated) {
    const dicom::codecs::DecodeResult result =
        dicom::codecs::DecodePixelFrame(dataSet, transferSyntaxUid, 0, decoded);
    if (!result.Ok() || decoded.samples.size() < frameBytes) {
      error = result.Ok() ? "the decoded frame is shorter than the image" : result.reason;
      return false;
    }
    samplesData = decoded.samples.data();
    planar = false;
    shift = 0;
    colourSpace = decoded.description.photometricInterpretation;
  } else if (frameBytes > pixelData->Length() || samplesData == nullptr) {
    error = "the pixel data (" + std::to_string(pixelData->Length()) +
            " bytes) is shorter than one frame of " + std::to_string(columns) + " x " +
            std::to_string(rows) + " x " + std::to_string(samples) + " x " +
            std::to_string(bitsAllocated) + " bits";
    return false;
  }

  image = Image{};
  image.columns = columns;
  image.rows = rows;
  image.bitsAllocated = bitsAllocated;
  image.samplesPerPixel = samples;
  if (isColour) {
    DecodeRgb(samplesData, pixelCount, planar, image);
    if (colourSpace == "YBR_FULL") ConvertYbrFull(image.pixels);
  } else {
    const GreyLayout layout{bitsAllocated, bitsStored, shift,
                            UnsignedValue(dataSet, dicom::kPixelRepresentationTag, 0) == 1,
                            photometric == "MONOCHROME1"};
    DecodeGrey(dataSet, samplesData, pixelCount, layout, image);
  }
  return true;
}

}  // namespace vekbase
