#include "data/CodecStatus.h"

namespace dicom {

std::string_view Describe(CodecStatus status) {
  switch (status) {
    case CodecStatus::Good:
      return "no error";
    case CodecStatus::DelimiterWithLength:
      return "a delimitation item with a non-zero length";
    case CodecStatus::UnexpectedItem:
      return "an item where an element was expected";
    case CodecStatus::UnexpectedTagInSequence:
      return "an element inside a sequence that is not an item";
    case CodecStatus::UnexpectedSequenceDelimiter:
      return "a sequence delimitation where an element was expected";
    case CodecStatus::ValueNotDelivered:
      return "the data ended inside an element";
    case CodecStatus::NestingTooDeep:
      return "sequences nested deeper than 64 levels";
    case CodecStatus::ValueNotWritable:
      return "a value that its length field cannot describe";
    case CodecStatus::NotAFragment:
      return "an element inside the encapsulated pixel data that is not an item";
    case CodecStatus::OddFragmentLength:
      return "a pixel data item of odd or undefined length";
    case CodecStatus::BadOffsetTable:
      return "a basic offset table whose length is not a multiple of 4";
    case CodecStatus::DeflateCorrupt:
      return "the deflated data set is corrupt";
    case CodecStatus::DeflateNotEnded:
      return "the deflated data set stops before its deflate stream ends";
    case CodecStatus::InflatedTooLarge:
      return "the deflated data set inflates past the size a reader accepts";
  }
  return "unknown codec status";
}

}  // namespace dicom
