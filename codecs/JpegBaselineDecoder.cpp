// JPEG baseline and extended (the 8-bit DCT processes) through libjpeg-turbo. libjpeg reports a
// fatal error by calling error_exit, which must not return; it jumps back here instead. The
// functions that call libjpeg therefore hold only trivially destructible locals.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>
// jpeglib.h uses size_t and FILE without declaring them.
#include <jerror.h>
#include <jpeglib.h>

#include "codecs/Decoders.h"

namespace dicom::codecs {

namespace {

struct ErrorState {
  jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to this
  std::jmp_buf jump;
  bool endOfData;
  char message[JMSG_LENGTH_MAX];
};

void ExitWithError(j_common_ptr cinfo) {
  auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, state->message);
  std::longjmp(state->jump, 1);
}

// Warnings are not printed; the one that matters is the data ending early.
void NoteMessage(j_common_ptr cinfo, int level) {
  auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) state->endOfData = true;
}

struct DestroyDecompress {
  void operator()(jpeg_decompress_struct* cinfo) const {
    jpeg_destroy_decompress(cinfo);
    delete cinfo;
  }
};

bool ReadHeader(jpeg_decompress_struct* cinfo, ErrorState* state, const std::uint8_t* data,
                std::size_t size) {
  if (setjmp(state->jump)) return false;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);
  return true;
}

// Decodes straight into the output rows; false on a library error.
bool Decompress(jpeg_decompress_struct* cinfo, ErrorState* state, std::uint8_t* out,
                std::size_t rowBytes, bool* geometryChanged) {
  if (setjmp(state->jump)) return false;
  jpeg_start_decompress(cinfo);
  *geometryChanged =
      cinfo->output_width * static_cast<std::size_t>(cinfo->output_components) != rowBytes;
  if (*geometryChanged) {
    jpeg_abort_decompress(cinfo);
    return true;
  }
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW rows[16];
    JDIMENSION count = 0;
    for (; count < 16 && cinfo->output_scanline + count < cinfo->output_height; ++count)
      rows[count] = out + (cinfo->output_scanline + count) * rowBytes;
    jpeg_read_scanlines(cinfo, rows, count);
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

DecodeResult DecodeJpegBaseline(const FrameJob& job) {
  const std::unique_ptr<jpeg_decompress_struct, DestroyDecompress> cinfo(
      new jpeg_decompress_struct{});
  ErrorState state{};
  cinfo->err = jpeg_std_error(&state.manager);
  state.manager.error_exit = ExitWithError;
  state.manager.emit_message = NoteMessage;
  if (!ReadHeader(cinfo.get(), &state, job.codeStream.data(), job.codeStream.size())) {
    if (state.manager.msg_code == JERR_BAD_PRECISION)
      return Failure(DecodeStatus::UnsupportedSyntax,
                     "JPEG of " + std::to_string(state.manager.msg_parm.i[0]) +
                         " bits per sample is not decoded, only 8");
    return Failure(state.endOfData ? DecodeStatus::Truncated : DecodeStatus::Corrupt,
                   state.message);
  }
  if (DecodeResult geometry = CheckGeometry(job,
                                            {cinfo->image_width, cinfo->image_height,
                                             static_cast<std::uint32_t>(cinfo->num_components),
                                             static_cast<std::uint32_t>(cinfo->data_precision)},
                                            "JPEG");
      !geometry.Ok())
    return geometry;
  if (job.description.bitsAllocated != 8)
    return Failure(DecodeStatus::Mismatch, "8-bit JPEG samples for bits allocated " +
                                               std::to_string(job.description.bitsAllocated));
  if (cinfo->num_components == 3) {
    // The data set says how the colour was coded; a JFIF marker overrides a plain RGB, which
    // encoders write for YCbCr streams often enough.
    const std::string& photometric = job.description.photometricInterpretation;
    if (photometric.starts_with("YBR") || cinfo->saw_JFIF_marker) {
      cinfo->jpeg_color_space = JCS_YCbCr;
    } else if (photometric == "RGB") {
      cinfo->jpeg_color_space = JCS_RGB;
    }
    cinfo->out_color_space = JCS_RGB;
    job.outputDescription.photometricInterpretation = "RGB";
  }
  cinfo->dct_method = JDCT_ISLOW;
  const std::size_t rowBytes =
      std::size_t{job.description.columns} * job.description.samplesPerPixel;
  bool geometryChanged = false;
  if (!Decompress(cinfo.get(), &state, job.output.data(), rowBytes, &geometryChanged))
    return Failure(state.endOfData ? DecodeStatus::Truncated : DecodeStatus::Corrupt,
                   state.message);
  if (geometryChanged)
    return Failure(DecodeStatus::Mismatch, "libjpeg decodes rows of another width");
  if (state.endOfData)
    return Failure(DecodeStatus::Truncated, "the JPEG data ends before the image");
  return {};
}

}  // namespace dicom::codecs
