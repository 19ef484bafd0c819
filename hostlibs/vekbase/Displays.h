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

// The host starts with eight displays and adds more as images need them, up to 64.
inline constexpr int kFirstDisplays = 8;
inline constexpr int kMaxDisplays = 64;

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
  std::string copyPath;        // the host's own copy of it, empty when none could be made
  std::string instanceNumber;  // its (0020,0013), trimmed; empty when it has none
  std::uint64_t loaded = 0;    // when, in the order of the loads
  bool isProtected = false;

  // The file of the image as the host can still hand it on: its own copy, else the original.
  const std::string& File() const { return copyPath.empty() ? sourcePath : copyPath; }
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

  // The displays in use: at least the first eight, and up to the last one that holds an image,
  // is protected or is the current one.
  int Count() const;
  // nullptr for a number outside 1..kMaxDisplays.
  const Display* Get(int number) const;
  int Current() const { return current_; }
  void SetCurrent(int number);
  bool SetProtected(int number, bool isProtected);
  // Reads the file into the display; false with the reason when it could not.
  bool Load(int number, const std::string& path, std::string& error);
  bool SetName(int number, const std::string& name);
  void Clear(int number);

  // Where the next image after `number` goes without overwriting a protected one: the next empty
  // unprotected display in use (wrapping round), else a display added after them; with all 64 in
  // use, the unprotected one loaded longest ago, of which the reuse listener hears. `number`
  // itself only when every other display is protected; 0 when it is protected too.
  int NextUnprotected(int number);

  // Every image loaded from now on is first copied into the folder; the display keeps the copy
  // until it is emptied or loaded again, so that its file can be handed on after the original has
  // gone. An empty folder stops that and removes the copies kept so far.
  void KeepCopiesIn(std::string folder);

  // Told the number of each display that changed (image, name, protection, current).
  using Listener = std::function<void(int number)>;
  void SetListener(Listener listener) { listener_ = std::move(listener); }
  // Told the number of a display whose image was replaced as NextUnprotected chose it with all
  // 64 in use.
  void SetReuseListener(Listener listener) { reuseListener_ = std::move(listener); }

 private:
  Displays();
  void Changed(int number);
  Display& At(int number) { return displays_[static_cast<std::size_t>(number - 1)]; }
  std::string CopyIntoFolder(int number, const std::string& path);

  std::vector<Display> displays_;
  int current_ = 1;
  std::uint64_t loads_ = 0;
  int reusing_ = 0;  // the display NextUnprotected chose for reuse, until the next load
  std::string copyFolder_;
  Listener listener_;
  Listener reuseListener_;
};

}  // namespace vekbase
