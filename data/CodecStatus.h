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
};

// Items within items beyond this depth are refused rather than recursed into.
constexpr unsigned kMaxNestingDepth = 64;

std::string_view Describe(CodecStatus status);

}  // namespace dicom
