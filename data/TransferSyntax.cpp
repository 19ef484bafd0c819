#include "data/TransferSyntax.h"

#include <array>

namespace dicom {
namespace {

struct Row {
  TransferSyntax syntax;
  std::string_view uid;
  bool explicitVr;
  bool bigEndian;
  bool encapsulated;
  bool deflated;
};

constexpr std::string_view kStandardSyntaxRoot = "1.2.840.10008.1.2.";

constexpr std::array kTable{
    Row{ImplicitLittleEndian, "1.2.840.10008.1.2", false, false, false, false},
    Row{ExplicitLittleEndian, "1.2.840.10008.1.2.1", true, false, false, false},
    Row{ExplicitBigEndian, "1.2.840.10008.1.2.2", true, true, false, false},
    Row{DeflatedExplicitLittleEndian, "1.2.840.10008.1.2.1.99", true, false, false, true},
    Row{JpegBaseline, "1.2.840.10008.1.2.4.50", true, false, true, false},
    Row{JpegExtended, "1.2.840.10008.1.2.4.51", true, false, true, false},
    Row{JpegLossless, "1.2.840.10008.1.2.4.57", true, false, true, false},
    Row{JpegLosslessSv1, "1.2.840.10008.1.2.4.70", true, false, true, false},
    Row{JpegLsLossless, "1.2.840.10008.1.2.4.80", true, false, true, false},
    Row{JpegLsNearLossless, "1.2.840.10008.1.2.4.81", true, false, true, false},
    Row{Jpeg2000Lossless, "1.2.840.10008.1.2.4.90", true, false, true, false},
    Row{Jpeg2000, "1.2.840.10008.1.2.4.91", true, false, true, false},
    Row{HtJpeg2000Lossless, "1.2.840.10008.1.2.4.201", true, false, true, false},
    Row{HtJpeg2000LosslessRpcl, "1.2.840.10008.1.2.4.202", true, false, true, false},
    Row{HtJpeg2000, "1.2.840.10008.1.2.4.203", true, false, true, false},
    Row{RleLossless, "1.2.840.10008.1.2.5", true, false, true, false},
    Row{OtherEncapsulated, "", true, false, true, false},
};

const Row* Find(TransferSyntax syntax) {
  for (const Row& row : kTable) {
    if (row.syntax == syntax) return &row;
  }
  return nullptr;
}

}  // namespace

TransferSyntax TransferSyntaxFromUid(std::string_view uid) {
  if (uid.empty()) return UnknownTransferSyntax;
  for (const Row& row : kTable) {
    if (row.uid == uid) return row.syntax;
  }
  return uid.starts_with(kStandardSyntaxRoot) ? OtherEncapsulated : UnknownTransferSyntax;
}

std::string_view TransferSyntaxUid(TransferSyntax syntax) {
  const Row* row = Find(syntax);
  return row ? row->uid : std::string_view();
}

bool IsExplicitVr(TransferSyntax syntax) {
  const Row* row = Find(syntax);
  return row && row->explicitVr;
}

bool IsBigEndian(TransferSyntax syntax) {
  const Row* row = Find(syntax);
  return row && row->bigEndian;
}

bool IsEncapsulated(TransferSyntax syntax) {
  const Row* row = Find(syntax);
  return row && row->encapsulated;
}

bool IsDeflated(TransferSyntax syntax) {
  const Row* row = Find(syntax);
  return row && row->deflated;
}

}  // namespace dicom
