#pragma once

#include <cstdint>
#include <string_view>

namespace dicom {

// Why a data set could not be decoded or encoded; the first failure ends the work.
enum class CodecStatus : std::uint32_t {
  Good = 0,
  DelimiterWithLength = 1,          // item or sequence delimitation with a non-zero length
  UnexpectedItem = 2,               // an item tag where an element was expected
  UnexpectedTagInSequence = 3,      // neither an item nor a sequence delimitation in a sequence
  UnexpectedSequenceDelimiter = 4,  // a sequence delimitation where an element was expected
  ValueNotDelivered = 6,            // the input ended before the bytes it announced
  NestingTooDeep = 7,               // sequences nested deeper than kMaxNestingDepth
  ValueNotWritable = 8,             // a value that its length field or swap unit cannot carry
  NotAFragment = 9,                 // inside encapsulated pixel data, a tag that is not an item
  OddFragmentLength = 10,           // a pixel data item of odd (or undefined) length
  BadOffsetTable = 11,              // a basic offset table that is no whole number of offsets
  DeflateCorrupt = 12,              // the deflated data is not valid deflate
  DeflateNotEnded = 13,             // the deflated data stops before its deflate stream ends
  InflatedTooLarge = 14,            // the deflated data inflates past the bound of the reader
};

// Items within items beyond this depth are refused rather than recursed into.
constexpr unsigned kMaxNestingDepth = 64;

std::string_view Describe(CodecStatus status);

}  // namespace dicom
