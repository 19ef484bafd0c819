#pragma once

#include <cstdint>
#include <string_view>

namespace dicom {

// The first four values keep their numbers: stored settings and fuzz seeds use them.
enum TransferSyntax : std::uint32_t {
  ImplicitLittleEndian = 0,
  ExplicitLittleEndian = 1,
  ExplicitBigEndian = 2,
  UnknownTransferSyntax = 3,
  DeflatedExplicitLittleEndian = 4,  // 1.2.840.10008.1.2.1.99
  JpegBaseline = 5,                  // 1.2.840.10008.1.2.4.50
  JpegExtended = 6,                  // .4.51
  JpegLossless = 7,                  // .4.57
  JpegLosslessSv1 = 8,               // .4.70
  JpegLsLossless = 9,                // .4.80
  JpegLsNearLossless = 10,           // .4.81
  Jpeg2000Lossless = 11,             // .4.90
  Jpeg2000 = 12,                     // .4.91
  HtJpeg2000Lossless = 13,           // .4.201
  HtJpeg2000LosslessRpcl = 14,       // .4.202
  HtJpeg2000 = 15,                   // .4.203
  RleLossless = 16,                  // 1.2.840.10008.1.2.5
  // Any other syntax of the standard (MPEG, HEVC, JPIP, ...): every syntax that came after the
  // first three is explicit VR little-endian, so such an object reads and lists, its pixel data
  // as fragments. It has no UID of its own here: the file's meta header or the association's
  // context keeps the real one, so that a decoder can refuse it by name.
  OtherEncapsulated = 17,
};

// The syntax whose UID equals the text exactly; OtherEncapsulated for any other UID under
// 1.2.840.10008.1.2.; UnknownTransferSyntax otherwise (a private syntax).
TransferSyntax TransferSyntaxFromUid(std::string_view uid);
// The UID of a listed syntax; empty for UnknownTransferSyntax and OtherEncapsulated.
std::string_view TransferSyntaxUid(TransferSyntax syntax);
// UnknownTransferSyntax answers implicit VR and little-endian.
bool IsExplicitVr(TransferSyntax syntax);
bool IsBigEndian(TransferSyntax syntax);
// Pixel data as a basic offset table and fragments (the compressed syntaxes).
bool IsEncapsulated(TransferSyntax syntax);
// The data set after the meta header (or the whole message) is raw deflate of its explicit VR
// little-endian form.
bool IsDeflated(TransferSyntax syntax);

}  // namespace dicom
