#include "data/TransferSyntax.h"

#include <array>

namespace dicom {
namespace {

struct Row {
  std::string_view uid;
  bool explicitVr;
  bool bigEndian;
};

constexpr std::array<Row, 3> kTable{{
    {"1.2.840.10008.1.2", false, false},
    {"1.2.840.10008.1.2.1", true, false},
    {"1.2.840.10008.1.2.2", true, true},
}};

}  // namespace

TransferSyntax TransferSyntaxFromUid(std::string_view uid) {
  for (std::uint32_t i = 0; i < kTable.size(); ++i) {
    if (kTable[i].uid == uid) return static_cast<TransferSyntax>(i);
  }
  return UnknownTransferSyntax;
}

std::string_view TransferSyntaxUid(TransferSyntax syntax) {
  return syntax < kTable.size() ? kTable[syntax].uid : std::string_view();
}

bool IsExplicitVr(TransferSyntax syntax) {
  return syntax < kTable.size() && kTable[syntax].explicitVr;
}

bool IsBigEndian(TransferSyntax syntax) {
  return syntax < kTable.size() && kTable[syntax].bigEndian;
}

}  // namespace dicom
