// JPEG 2000 and High-Throughput JPEG 2000 through OpenJPEG, which reads both and decodes the tiles
// on every core. The image header is checked against the data set before OpenJPEG allocates the
// tiles' samples.
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "codecs/Decoders.h"

namespace dicom::codecs {

namespace {

struct DestroyCodec {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct DestroyStream {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct DestroyImage {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

// The code stream in memory, as OpenJPEG's stream callbacks see it.
struct Source {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

OPJ_SIZE_T ReadSource(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* source = static_cast<Source*>(user);
  const std::size_t take = std::min<std::size_t>(count, source->size - source->pos);
  if (take == 0) return static_cast<OPJ_SIZE_T>(-1);
  std::memcpy(buffer, source->data + source->pos, take);
  source->pos += take;
  return take;
}

OPJ_OFF_T SkipSource(OPJ_OFF_T count, void* user) {
  auto* source = static_cast<Source*>(user);
  if (count < 0) return -1;
  const std::size_t take =
      std::min<std::size_t>(static_cast<std::size_t>(count), source->size - source->pos);
  source->pos += take;
  return static_cast<OPJ_OFF_T>(take);
}

OPJ_BOOL SeekSource(OPJ_OFF_T to, void* user) {
  auto* source = static_cast<Source*>(user);
  if (to < 0 || static_cast<std::size_t>(to) > source->size) return OPJ_FALSE;
  source->pos = static_cast<std::size_t>(to);
  return OPJ_TRUE;
}

// OpenJPEG's error messages, which may come from its worker threads; the first one is the reason.
struct Errors {
  std::mutex mutex;
  std::string first;
};

void NoteError(const char* message, void* user) {
  auto* errors = static_cast<Errors*>(user);
  const std::lock_guard lock(errors->mutex);
  if (errors->first.empty()) {
    errors->first = message;
    while (!errors->first.empty() && errors->first.back() == '\n')
      errors->first.pop_back();
  }
}

void Ignore(const char*, void*) {}

bool IsJp2File(std::span<const std::uint8_t> in) {
  static constexpr std::uint8_t kSignature[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                                0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
  return in.size() >= sizeof kSignature &&
         std::equal(kSignature, kSignature + sizeof kSignature, in.begin());
}

DecodeResult LibraryFailure(const Errors& errors, std::string_view step,
                            std::span<const std::uint8_t> in) {
  return Failure(LooksTruncated(in) ? DecodeStatus::Truncated : DecodeStatus::Corrupt,
                 "OpenJPEG could not " + std::string(step) +
                     (errors.first.empty() ? std::string() : ": " + errors.first));
}

}  // namespace

DecodeResult DecodeJpeg2000(const FrameJob& job) {
  const std::unique_ptr<opj_codec_t, DestroyCodec> codec(
      opj_create_decompress(IsJp2File(job.codeStream) ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!codec) return Failure(DecodeStatus::Corrupt, "OpenJPEG could not create a decoder");
  Errors errors;
  opj_set_error_handler(codec.get(), NoteError, &errors);
  opj_set_warning_handler(codec.get(), Ignore, nullptr);
  opj_set_info_handler(codec.get(), Ignore, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters))
    return LibraryFailure(errors, "set up", job.codeStream);
  if (opj_has_thread_support()) opj_codec_set_threads(codec.get(), opj_get_num_cpus());

  Source source{job.codeStream.data(), job.codeStream.size(), 0};
  const std::unique_ptr<opj_stream_t, DestroyStream> stream(opj_stream_create(1 << 16, OPJ_TRUE));
  if (!stream) return Failure(DecodeStatus::Corrupt, "OpenJPEG could not create a stream");
  opj_stream_set_user_data(stream.get(), &source, nullptr);
  opj_stream_set_user_data_length(stream.get(), source.size);
  opj_stream_set_read_function(stream.get(), ReadSource);
  opj_stream_set_skip_function(stream.get(), SkipSource);
  opj_stream_set_seek_function(stream.get(), SeekSource);

  opj_image_t* header = nullptr;
  const bool headerRead = opj_read_header(stream.get(), codec.get(), &header);
  const std::unique_ptr<opj_image_t, DestroyImage> image(header);
  if (!headerRead || !image || image->numcomps == 0 || !image->comps)
    return LibraryFailure(errors, "read the image header", job.codeStream);
  const opj_image_comp_t& first = image->comps[0];
  for (OPJ_UINT32 c = 0; c < image->numcomps; ++c) {
    const opj_image_comp_t& comp = image->comps[c];
    if (comp.dx != 1 || comp.dy != 1 || comp.prec != first.prec)
      return Failure(DecodeStatus::UnsupportedSyntax,
                     "JPEG 2000 components that are subsampled or differ in precision");
  }
  if (DecodeResult geometry = CheckGeometry(
          job, {image->x1 - image->x0, image->y1 - image->y0, image->numcomps, first.prec},
          "JPEG 2000");
      !geometry.Ok())
    return geometry;
  if (!opj_decode(codec.get(), stream.get(), image.get()) ||
      !opj_end_decompress(codec.get(), stream.get()))
    return LibraryFailure(errors, "decode the image", job.codeStream);

  const PixelDescription& d = job.description;
  const std::size_t samples = d.samplesPerPixel;
  const std::size_t pixels = std::size_t{d.rows} * d.columns;
  for (std::size_t c = 0; c < samples; ++c) {
    const opj_image_comp_t& comp = image->comps[c];
    if (!comp.data || comp.w != d.columns || comp.h != d.rows)
      return Failure(DecodeStatus::Mismatch, "OpenJPEG decoded a component of another size");
    const OPJ_INT32* in = comp.data;
    if (d.bitsAllocated == 8) {
      for (std::size_t p = 0; p < pixels; ++p)
        job.output[p * samples + c] = static_cast<std::uint8_t>(in[p]);
    } else {
      for (std::size_t p = 0; p < pixels; ++p)
        Store16(job.output.data(), p * samples + c, static_cast<std::uint32_t>(in[p]));
    }
  }
  const std::string& photometric = d.photometricInterpretation;
  if (photometric == "YBR_RCT" || photometric == "YBR_ICT")
    job.outputDescription.photometricInterpretation = "RGB";
  return {};
}

}  // namespace dicom::codecs
