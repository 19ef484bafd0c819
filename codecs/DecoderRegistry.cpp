#include "codecs/DecoderRegistry.h"

#include <algorithm>
#include <array>

#include "codecs/Decoders.h"

namespace dicom::codecs {

namespace {

constexpr std::array<DecoderEntry, 12> kDecoders = {{
    {"1.2.840.10008.1.2.4.201", "HTJ2K lossless", DecodeJpeg2000},
    {"1.2.840.10008.1.2.4.202", "HTJ2K lossless RPCL", DecodeJpeg2000},
    {"1.2.840.10008.1.2.4.203", "HTJ2K", DecodeJpeg2000},
    {"1.2.840.10008.1.2.4.50", "JPEG baseline", DecodeJpegBaseline},
    {"1.2.840.10008.1.2.4.51", "JPEG extended", DecodeJpegBaseline},
    {"1.2.840.10008.1.2.4.57", "JPEG lossless", DecodeJpegLossless},
    {"1.2.840.10008.1.2.4.70", "JPEG lossless SV1", DecodeJpegLossless},
    {"1.2.840.10008.1.2.4.80", "JPEG-LS lossless", DecodeJpegLs},
    {"1.2.840.10008.1.2.4.81", "JPEG-LS near-lossless", DecodeJpegLs},
    {"1.2.840.10008.1.2.4.90", "JPEG 2000 lossless", DecodeJpeg2000},
    {"1.2.840.10008.1.2.4.91", "JPEG 2000", DecodeJpeg2000},
    {"1.2.840.10008.1.2.5", "RLE lossless", DecodeRle},
}};

}  // namespace

std::span<const DecoderEntry> Decoders() {
  return kDecoders;
}

const DecoderEntry* FindDecoder(std::string_view transferSyntaxUid) {
  const auto it = std::find_if(kDecoders.begin(), kDecoders.end(), [&](const DecoderEntry& entry) {
    return entry.transferSyntaxUid == transferSyntaxUid;
  });
  return it == kDecoders.end() ? nullptr : &*it;
}

}  // namespace dicom::codecs
