// JPEG-LS lossless and near-lossless through CharLS's C interface.
#include <charls/charls.h>

#include <memory>
#include <vector>

#include "codecs/Decoders.h"

namespace dicom::codecs {

namespace {

struct DestroyDecoder {
  void operator()(charls_jpegls_decoder* decoder) const { charls_jpegls_decoder_destroy(decoder); }
};

bool Failed(charls_jpegls_errc error) {
  return error != charls_jpegls_errc{};
}

DecodeResult LibraryFailure(charls_jpegls_errc error, std::span<const std::uint8_t> in) {
  const bool truncated =
      error == charls::jpegls_errc::source_buffer_too_small || LooksTruncated(in);
  return Failure(truncated ? DecodeStatus::Truncated : DecodeStatus::Corrupt,
                 std::string("CharLS: ") + charls_get_error_message(error));
}

}  // namespace

DecodeResult DecodeJpegLs(const FrameJob& job) {
  const std::unique_ptr<charls_jpegls_decoder, DestroyDecoder> decoder(
      charls_jpegls_decoder_create());
  if (!decoder) return Failure(DecodeStatus::Corrupt, "CharLS could not create a decoder");
  charls_jpegls_errc error = charls_jpegls_decoder_set_source_buffer(
      decoder.get(), job.codeStream.data(), job.codeStream.size());
  if (!Failed(error)) error = charls_jpegls_decoder_read_header(decoder.get());
  charls_frame_info info{};
  if (!Failed(error)) error = charls_jpegls_decoder_get_frame_info(decoder.get(), &info);
  charls_interleave_mode interleave{};
  if (!Failed(error)) error = charls_jpegls_decoder_get_interleave_mode(decoder.get(), &interleave);
  if (Failed(error)) return LibraryFailure(error, job.codeStream);
  // CharLS spins for many seconds on a stream cut short, so a stream without its end-of-image
  // marker is refused before it gets there.
  if (LooksTruncated(job.codeStream))
    return Failure(DecodeStatus::Truncated, "the code stream ends before its end-of-image marker");
  if (DecodeResult geometry =
          CheckGeometry(job,
                        {info.width, info.height, static_cast<std::uint32_t>(info.component_count),
                         static_cast<std::uint32_t>(info.bits_per_sample)},
                        "JPEG-LS");
      !geometry.Ok())
    return geometry;

  // CharLS writes a byte per sample up to 8 bits, two above, and keeps an uninterleaved stream's
  // planes apart; anything but what the output wants goes through a buffer no larger than it.
  const std::size_t streamBytes = info.bits_per_sample <= 8 ? 1 : 2;
  const std::size_t outBytes = job.description.bitsAllocated / 8;
  const std::size_t samples = info.component_count;
  const bool planar = samples > 1 && interleave == charls::interleave_mode::none;
  const std::size_t pixels = std::size_t{info.width} * info.height;
  if (streamBytes == outBytes && !planar) {
    error = charls_jpegls_decoder_decode_to_buffer(decoder.get(), job.output.data(),
                                                   job.output.size(), 0);
    return Failed(error) ? LibraryFailure(error, job.codeStream) : DecodeResult{};
  }
  std::vector<std::uint8_t> decoded(pixels * samples * streamBytes);
  error = charls_jpegls_decoder_decode_to_buffer(decoder.get(), decoded.data(), decoded.size(), 0);
  if (Failed(error)) return LibraryFailure(error, job.codeStream);
  for (std::size_t p = 0; p < pixels; ++p) {
    for (std::size_t s = 0; s < samples; ++s) {
      const std::size_t from = planar ? s * pixels + p : p * samples + s;
      const std::uint32_t value =
          streamBytes == 1 ? decoded[from] : decoded[2 * from] | (decoded[2 * from + 1] << 8);
      if (outBytes == 1) {
        job.output[p * samples + s] = static_cast<std::uint8_t>(value);
      } else {
        Store16(job.output.data(), p * samples + s, value);
      }
    }
  }
  return {};
}

}  // namespace dicom::codecs
