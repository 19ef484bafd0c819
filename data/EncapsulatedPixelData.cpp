#include "data/EncapsulatedPixelData.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "data/DataSet.h"

namespace dicom {
namespace {

constexpr Tag kExtendedOffsetTableTag = 0x7FE00001;
constexpr Tag kExtendedOffsetLengthsTag = 0x7FE00002;
constexpr Tag kNumberOfFramesTag = 0x00280008;
constexpr std::uint64_t kItemHeader = 8;

std::vector<std::uint64_t> Numbers64(const DataSet& dataSet, Tag tag) {
  std::vector<std::uint64_t> numbers;
  const ValuePtr value = dataSet.GetValue(tag);
  if (!value || value->Data() == nullptr || value->Length() < 8) return numbers;
  numbers.resize(value->Length() / 8);
  std::memcpy(numbers.data(), value->Data(), numbers.size() * 8);
  return numbers;
}

std::uint32_t FrameCount(const DataSet& dataSet) {
  const std::string text = dataSet.GetText(kNumberOfFramesTag, vr::IS);
  std::uint32_t count = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] =
      std::from_chars(text.data() + (text.starts_with('+') ? 1 : 0), end, count);
  return error == std::errc() && at == end && count > 0 ? count : 1;
}

}  // namespace

std::uint64_t EncapsulatedPixelData::EncodedLength() const {
  std::uint64_t length = kItemHeader + 4 * std::uint64_t{offsetTable.size()} + kItemHeader;
  for (const Fragment& fragment : fragments)
    length += kItemHeader + fragment.length;
  return length;
}

std::string_view Describe(FrameStatus status) {
  switch (status) {
    case FrameStatus::Good:
      return "no error";
    case FrameStatus::NoPixelData:
      return "the data set holds no encapsulated pixel data";
    case FrameStatus::NoFragments:
      return "the pixel data holds no fragment";
    case FrameStatus::FrameOutOfRange:
      return "the frame is past the number of frames";
    case FrameStatus::OffsetCountMismatch:
      return "the offset table does not hold one offset per frame";
    case FrameStatus::OffsetOutside:
      return "the offset table points past the fragments";
    case FrameStatus::OffsetBetweenFragments:
      return "the offset table points between fragments";
    case FrameStatus::OffsetsOutOfOrder:
      return "the offset table is out of order";
    case FrameStatus::LengthPastFragments:
      return "the extended offset table gives a frame longer than its fragments";
    case FrameStatus::FragmentsNotFrames:
      return "several frames without an offset table, and not one fragment per frame";
    case FrameStatus::FragmentNotInFile:
      return "a fragment can no longer be read from its file";
  }
  return "unknown frame status";
}

EncapsulatedFrames::EncapsulatedFrames(const DataSet& dataSet)
    : value_(dataSet.GetValue(kPixelDataTag)),
      pixels_(value_ ? value_->Encapsulated() : nullptr),
      extendedOffsets_(Numbers64(dataSet, kExtendedOffsetTableTag)),
      extendedLengths_(Numbers64(dataSet, kExtendedOffsetLengthsTag)),
      frames_(FrameCount(dataSet)) {}

std::uint64_t EncapsulatedFrames::Offset(std::uint32_t frame) const {
  return extendedOffsets_.empty() ? pixels_->offsetTable[frame] : extendedOffsets_[frame];
}

// Offsets count from the first fragment's item tag; each item takes its header and its bytes.
FrameStatus EncapsulatedFrames::FragmentAt(std::uint64_t offset, std::size_t& index) const {
  std::uint64_t position = 0;
  for (index = 0; index < pixels_->fragments.size(); ++index) {
    if (position == offset) return FrameStatus::Good;
    if (position > offset) return FrameStatus::OffsetBetweenFragments;
    position += kItemHeader + pixels_->fragments[index].length;
  }
  return position > offset ? FrameStatus::OffsetBetweenFragments : FrameStatus::OffsetOutside;
}

FrameStatus EncapsulatedFrames::Locate(std::uint32_t frame, FrameFragments& out) const {
  if (!pixels_) return FrameStatus::NoPixelData;
  if (frame >= frames_) return FrameStatus::FrameOutOfRange;
  const std::vector<EncapsulatedPixelData::Fragment>& fragments = pixels_->fragments;
  if (fragments.empty()) return FrameStatus::NoFragments;
  const std::size_t tableSize =
      extendedOffsets_.empty() ? pixels_->offsetTable.size() : extendedOffsets_.size();
  std::size_t first = 0, end = fragments.size();
  if (tableSize > 0) {
    if (tableSize != frames_) return FrameStatus::OffsetCountMismatch;
    if (frame > 0 && Offset(frame - 1) >= Offset(frame)) return FrameStatus::OffsetsOutOfOrder;
    if (FrameStatus status = FragmentAt(Offset(frame), first); status != FrameStatus::Good)
      return status;
    if (frame + 1 < frames_) {
      if (Offset(frame + 1) <= Offset(frame)) return FrameStatus::OffsetsOutOfOrder;
      if (FrameStatus status = FragmentAt(Offset(frame + 1), end); status != FrameStatus::Good)
        return status;
    }
  } else if (fragments.size() == frames_) {
    first = frame;
    end = frame + 1;
  } else if (frames_ != 1) {
    return FrameStatus::FragmentsNotFrames;
  }
  out.first = first;
  out.count = end - first;
  out.length = 0;
  for (std::size_t i = first; i < end; ++i)
    out.length += fragments[i].length;
  if (!extendedOffsets_.empty() && extendedLengths_.size() == extendedOffsets_.size()) {
    if (extendedLengths_[frame] > out.length) return FrameStatus::LengthPastFragments;
    out.length = extendedLengths_[frame];
  }
  return FrameStatus::Good;
}

FrameStatus EncapsulatedFrames::Get(std::uint32_t frame, std::vector<std::uint8_t>& out) const {
  out.clear();
  FrameFragments where;
  if (FrameStatus status = Locate(frame, where); status != FrameStatus::Good) return status;
  out.resize(where.length);
  std::uint64_t done = 0;
  for (std::size_t i = where.first; done < where.length; ++i) {
    const EncapsulatedPixelData::Fragment& fragment = pixels_->fragments[i];
    const auto piece =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(fragment.length, where.length - done));
    if (fragment.data) {
      std::copy_n(fragment.data.get(), piece, out.data() + done);
    } else if (piece > 0 && (pixels_->source == nullptr ||
                             !pixels_->source->ReadAt(fragment.offset, out.data() + done, piece))) {
      out.clear();
      return FrameStatus::FragmentNotInFile;
    }
    done += piece;
  }
  return FrameStatus::Good;
}

}  // namespace dicom
