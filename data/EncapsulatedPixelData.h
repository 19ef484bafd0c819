#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "data/ElementValue.h"

namespace dicom {

class DataSet;

// Compressed pixel data as it is stored: (7FE0,0010) of undefined length holding a basic offset
// table item, one item per fragment and a sequence delimitation. Kept exactly as read, so that it
// is written back byte for byte.
struct EncapsulatedPixelData {
  struct Fragment {
    std::uint32_t length = 0;  // even
    std::unique_ptr<std::uint8_t[]> data;
    // Without data: where the bytes wait in the pixel data's source.
    std::uint64_t offset = 0;

    // Empty for a fragment left in its file.
    std::span<const std::uint8_t> Bytes() const {
      return data ? std::span<const std::uint8_t>(data.get(), length)
                  : std::span<const std::uint8_t>();
    }
  };

  // Where each frame's first fragment starts, counted from the first fragment's item tag. Often
  // empty: the table is optional.
  std::vector<std::uint32_t> offsetTable;
  std::vector<Fragment> fragments;
  // The file that holds the fragments read without their bytes.
  std::shared_ptr<const ValueSource> source;

  // The bytes after the element's header: every item with its 8-byte header, and the delimiter.
  std::uint64_t EncodedLength() const;
};

// Why a frame cannot be found.
enum class FrameStatus : std::uint32_t {
  Good = 0,
  NoPixelData,             // no (7FE0,0010), or one that is not encapsulated
  NoFragments,             // the pixel data holds no fragment
  FrameOutOfRange,         // the frame index is not below the number of frames
  OffsetCountMismatch,     // an offset table with another count than the number of frames
  OffsetOutside,           // an offset at or past the end of the fragments
  OffsetBetweenFragments,  // an offset that is not where a fragment starts
  OffsetsOutOfOrder,       // a frame's offset not above the one of the frame before
  LengthPastFragments,     // an extended length longer than the frame's fragments
  FragmentsNotFrames,      // several frames, no offset table, and not one fragment per frame
  FragmentNotInFile,       // a fragment left in its file that the file no longer holds
};

std::string_view Describe(FrameStatus status);

// Frame i uses fragments [first, first + count); its bytes are the first `length` bytes of them
// joined (all of them, unless the extended offset table gives a shorter length).
struct FrameFragments {
  std::size_t first = 0;
  std::size_t count = 0;
  std::uint64_t length = 0;
};

// The frames of a data set's encapsulated pixel data, found by the extended offset table
// (7FE0,0001) with its lengths (7FE0,0002), else the basic offset table, else one fragment per
// frame when there are as many fragments as frames, else all fragments for a single frame. The
// number of frames is Number of Frames (0028,0008), 1 when absent or not a positive number.
//
//   EncapsulatedFrames frames(dataSet);
//   std::vector<std::uint8_t> bytes;
//   if (FrameStatus s = frames.Get(0, bytes); s != FrameStatus::Good) ... Describe(s) ...
//
// It shares the pixel data value, so it may outlive the data set.
class EncapsulatedFrames {
 public:
  explicit EncapsulatedFrames(const DataSet& dataSet);

  // NoPixelData when the data set holds no encapsulated pixel data, else Good.
  FrameStatus Status() const { return pixels_ ? FrameStatus::Good : FrameStatus::NoPixelData; }
  std::uint32_t Count() const { return frames_; }
  const EncapsulatedPixelData* Pixels() const { return pixels_; }

  // Which fragments hold frame `frame` (from 0).
  FrameStatus Locate(std::uint32_t frame, FrameFragments& out) const;
  // Frame `frame` as one contiguous buffer: its fragments joined, those left in their file read
  // from it. Never allocates more than the fragments hold. `out` is left empty on failure.
  FrameStatus Get(std::uint32_t frame, std::vector<std::uint8_t>& out) const;

 private:
  FrameStatus FragmentAt(std::uint64_t offset, std::size_t& index) const;
  std::uint64_t Offset(std::uint32_t frame) const;

  ValuePtr value_;
  const EncapsulatedPixelData* pixels_ = nullptr;
  std::vector<std::uint64_t> extendedOffsets_;
  std::vector<std::uint64_t> extendedLengths_;
  std::uint32_t frames_ = 1;
};

}  // namespace dicom
