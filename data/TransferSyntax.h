#pragma once

#include <cstdint>
#include <string_view>

namespace dicom {

enum TransferSyntax : std::uint32_t {
  ImplicitLittleEndian = 0,
  ExplicitLittleEndian = 1,
  ExplicitBigEndian = 2,
  UnknownTransferSyntax = 3,
};

// The first syntax whose UID equals the text exactly; UnknownTransferSyntax otherwise.
TransferSyntax TransferSyntaxFromUid(std::string_view uid);
// The UID of a known syntax; empty for UnknownTransferSyntax.
std::string_view TransferSyntaxUid(TransferSyntax syntax);
// UnknownTransferSyntax answers implicit VR and little-endian.
bool IsExplicitVr(TransferSyntax syntax);
bool IsBigEndian(TransferSyntax syntax);

}  // namespace dicom
