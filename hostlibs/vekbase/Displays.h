#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dicom {
class DataSet;
}

// The host's image displays, kept in its base library: the host program shows them, the
// plug-in loads images into them through imgLoad.
namespace vekbase {

inline constexpr int kDisplayCount = 8;

// An image ready to show: 8-bit grey (one byte a pixel, after the window) or RGB (three).
struct Image {
  int columns = 0;
  int rows = 0;
  int bitsAllocated = 0;  // as stored in the file
  int samplesPerPixel = 1;
  std::vector<std::uint8_t> pixels;
  // Grey images: each pixel's stored value (masked to the bits stored, signed where the pixel
  // representation says so), before rescale and window. Colour images: the pixels are the values.
  std::vector<std::int32_t> storedValues;
};

// The stored value of the pixel at column x, row y: a decimal integer, or "R,G,B" for a colour
// image; empty outside the image.
std::string StoredValueText(const Image& image, int x, int y);

struct Display {
  bool hasImage = false;
  Image image;
  std::string name;            // code page 1252
  std::string sourcePath;      // the file the image was read from
  std::string instanceNumber;  // its (0020,0013), trimmed; empty when it has none
  bool isProtected = false;
};

// Turns the first frame of the data set's pixel data into display pixels: 8- or 16-bit grey
// (MONOCHROME1 or 2, signed or not, with the rescale and the first window centre/width, else the
// minimum and maximum) or 8-bit RGB (either planar configuration, or YBR_FULL as a lossless
// syntax keeps it). Compressed pixel data is decoded first under the transfer syntax the data set
// was stored in. False, with the reason, for anything else or for pixel data shorter than the
// image.
bool DecodeImage(const dicom::DataSet& dataSet, std::string_view transferSyntaxUid, Image& image,
                 std::string& error);

class Displays {
 public:
  static Displays& Instance();

  int Count() const { return kDisplayCount; }
  // nullptr for a number outside 1..Count().
  const Display* Get(int number) const;
  int Current() const { return current_; }
  void SetCurrent(int number);
  bool SetProtected(int number, bool isProtected);
  // Reads the file into the display; false with the reason when it could not.
  bool Load(int number, const std::string& path, std::string& error);
  bool SetName(int number, const std::string& name);
  void Clear(int number);

  // Told the number of each display that changed (image, name, protection, current).
  using Listener = std::function<void(int number)>;
  void SetListener(Listener listener) { listener_ = std::move(listener); }

 private:
  Displays();
  void Changed(int number);

  std::vector<Display> displays_;
  int current_ = 1;
  Listener listener_;
};

}  // namespace vekbase
