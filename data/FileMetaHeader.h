#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "data/DataSet.h"
#include "data/TransferSyntax.h"

namespace dicom {

// The preamble, "DICM" and the group 0002 elements in front of a stored data set.
class FileMetaHeader {
 public:
  static constexpr std::string_view kImplementationClassUid = "1.2.40.0.12.0.9905";
  static constexpr std::string_view kImplementationVersionName = "KORAL9905pc";

  FileMetaHeader() = default;
  // A header for writing: zero preamble and the meta elements that identify the object.
  FileMetaHeader(std::string_view sopClassUid, std::string_view sopInstanceUid,
                 TransferSyntax syntax);

  // False when the stream holds no "DICM" (the stream is then back at its start), when the first
  // meta element is not a 4-byte group length, or when the meta group names no transfer syntax.
  bool Read(std::istream& in);
  bool Write(std::ostream& out) const;

  const DataSet& Meta() const { return meta_; }
  TransferSyntax Syntax() const { return syntax_; }
  // The UID as the meta group names it: the one way to tell which syntax OtherEncapsulated is.
  std::string SyntaxUid() const;

 private:
  DataSet meta_;
  std::array<std::uint8_t, 128> preamble_{};
  TransferSyntax syntax_ = UnknownTransferSyntax;
};

}  // namespace dicom
