// Stream codec throughput, ours against DCMTK on the same data sets and the same bytes.
//
// Names: codec/<side>/<operation>/<data>/<syntax>. Times are manual: only the work named is
// timed, never the copy of the input into a fresh stream.
//   ours/encode        StreamCodec::WriteDataSet onto a MemoryByteStream that discards, plus Flush
//   ours/decode        ReadAhead of the whole message plus StreamCodec::ReadDataSet
//   ours/decode_only   StreamCodec::ReadDataSet after an untimed ReadAhead
//   dcmtk/encode       DcmDataset::write into one DcmOutputBufferStream big enough for all of it;
//                      values are back in native order before each write (DCMTK swaps in place)
//   dcmtk/decode       DcmInputBufferStream::setBuffer + setEos + DcmDataset::read; DCMTK leaves
//                      big-endian values swapped until they are asked for
//   dcmtk/decode_native  the same plus getUint16Array on the pixel and overlay data, so that the
//                      values end in native order as ours do
//
// Data: image64 = 32 MiB of pixel data and 32 MiB of overlay data with a few header elements;
// text20k = 20,000 short text elements.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "bench/Timed.h"
#include "data/StreamCodec.h"
#include "net/MemoryByteStream.h"

namespace {

using bench::Timed;

struct Case {
  std::string data;
  const bench::Twin* twin;
  dicom::TransferSyntax syntax;
  bool pixels;
  std::vector<std::uint8_t> encoded;  // ours; DCMTK decodes the same bytes
};

const std::uint8_t* OurWords(const dicom::DataSet& dataSet, dicom::Tag tag) {
  const dicom::ValuePtr value = dataSet.GetValue(tag);
  return value ? value->Data() : nullptr;
}

// Both big values decoded to what was encoded, in native order.
bool SameWords(const dicom::DataSet& decoded, const bench::Twin& twin) {
  return std::memcmp(OurWords(decoded, dicom::kPixelDataTag),
                     OurWords(twin.ours, dicom::kPixelDataTag), twin.pixelBytes) == 0 &&
         (twin.overlayBytes == 0 ||
          std::memcmp(OurWords(decoded, dicom::kOverlayDataTag),
                      OurWords(twin.ours, dicom::kOverlayDataTag), twin.overlayBytes) == 0);
}

bool SameWords(DcmDataset& decoded, const bench::Twin& twin) {
  const Uint16* pixels = nullptr;
  const Uint16* overlay = nullptr;
  decoded.findAndGetUint16Array(DCM_PixelData, pixels);
  decoded.findAndGetUint16Array(DCM_OverlayData, overlay);
  return pixels != nullptr &&
         std::memcmp(pixels, OurWords(twin.ours, dicom::kPixelDataTag), twin.pixelBytes) == 0 &&
         (twin.overlayBytes == 0 ||
          (overlay != nullptr && std::memcmp(overlay, OurWords(twin.ours, dicom::kOverlayDataTag),
                                             twin.overlayBytes) == 0));
}

void OursEncode(benchmark::State& state, const Case& c) {
  const std::size_t expected = c.encoded.size();
  Timed timed(state, expected);
  for (auto _ : state) {
    dicom::MemoryByteStream stream;
    stream.DropWrites(true);
    timed.Start();
    dicom::StreamCodec codec(stream, c.syntax);
    const std::uint64_t written = codec.WriteDataSet(c.twin->ours);
    stream.Flush();
    timed.Stop();
    if (codec.Status() != dicom::CodecStatus::Good || written != expected) {
      timed.Fail("encode: " + std::string(dicom::Describe(codec.Status())));
      break;
    }
  }
}

void OursDecode(benchmark::State& state, const Case& c, bool timeReadAhead) {
  const std::size_t total = c.encoded.size();
  const auto ahead = static_cast<std::uint32_t>(total);
  Timed timed(state, total);
  bool checked = false;
  for (auto _ : state) {
    dicom::MemoryByteStream stream;
    stream.SetInput(c.encoded);
    dicom::DataSet dataSet;
    if (!timeReadAhead) stream.ReadAhead(ahead);
    timed.Start();
    if (timeReadAhead) stream.ReadAhead(ahead);
    dicom::StreamCodec codec(stream, c.syntax);
    codec.ReadDataSet(dataSet);
    timed.Stop();
    if (codec.Status() != dicom::CodecStatus::Good) {
      timed.Fail("decode: " + std::string(dicom::Describe(codec.Status())));
      break;
    }
    if (dataSet.Size() != c.twin->ours.Size()) {
      timed.Fail("decode: wrong element count");
      break;
    }
    if (c.pixels && !checked) {
      checked = true;
      if (!SameWords(dataSet, *c.twin)) {
        timed.Fail("decode: wrong pixel or overlay data");
        break;
      }
    }
  }
}

void DcmtkEncode(benchmark::State& state, const Case& c) {
  const std::size_t expected = c.encoded.size();
  DcmDataset& dataSet = *c.twin->dcmtk;
  const E_TransferSyntax syntax = bench::ToDcmtk(c.syntax);
  std::vector<std::uint8_t> buffer(expected + 4096);
  DcmElement* pixels = nullptr;
  DcmElement* overlay = nullptr;
  dataSet.findAndGetElement(DCM_PixelData, pixels);
  dataSet.findAndGetElement(DCM_OverlayData, overlay);
  Timed timed(state, expected);
  for (auto _ : state) {
    for (DcmElement* words : {pixels, overlay}) {
      Uint16* native = nullptr;
      if (words != nullptr) words->getUint16Array(native);
    }
    timed.Start();
    DcmOutputBufferStream stream(buffer.data(), static_cast<offile_off_t>(buffer.size()));
    dataSet.transferInit();
    const OFCondition status = dataSet.write(stream, syntax, EET_ExplicitLength, nullptr,
                                             EGL_withoutGL, EPD_withoutPadding);
    dataSet.transferEnd();
    void* filled = nullptr;
    offile_off_t length = 0;
    stream.flushBuffer(filled, length);
    timed.Stop();
    if (status.bad() || static_cast<std::size_t>(length) != expected) {
      timed.Fail(std::string("encode: ") + status.text());
      break;
    }
  }
}

void DcmtkDecode(benchmark::State& state, const Case& c, bool native) {
  const std::size_t total = c.encoded.size();
  const E_TransferSyntax syntax = bench::ToDcmtk(c.syntax);
  Timed timed(state, total);
  bool checked = false;
  for (auto _ : state) {
    DcmDataset dataSet;
    timed.Start();
    DcmInputBufferStream stream;
    stream.setBuffer(c.encoded.data(), static_cast<offile_off_t>(total));
    stream.setEos();
    dataSet.transferInit();
    const OFCondition status = dataSet.read(stream, syntax, EGL_noChange, 0xFFFFFFFF);
    dataSet.transferEnd();
    if (native) {
      const Uint16* words = nullptr;
      dataSet.findAndGetUint16Array(DCM_PixelData, words);
      dataSet.findAndGetUint16Array(DCM_OverlayData, words);
    }
    timed.Stop();
    if (status.bad()) {
      timed.Fail(std::string("decode: ") + status.text());
      break;
    }
    if (dataSet.card() != c.twin->ours.Size()) {
      timed.Fail("decode: wrong element count");
      break;
    }
    if (c.pixels && !checked) {
      checked = true;
      if (!SameWords(dataSet, *c.twin)) {
        timed.Fail("decode: wrong pixel or overlay data");
        break;
      }
    }
  }
}

// Big values run a fixed number of times: every iteration copies the message into a fresh
// stream first, which is not timed but takes as long.
template <class F>
void Register(const std::string& name, const Case& c, F&& body) {
  auto* b = benchmark::RegisterBenchmark(name.c_str(), std::forward<F>(body))
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
  if (c.pixels) {
    bench::Repeat(b, 3)->Iterations(
        std::max<std::int64_t>(3, 256 * bench::kMiB / (c.twin->pixelBytes + c.twin->overlayBytes)));
  } else {
    bench::Repeat(b, 5)->MinTime(0.2);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::InitDcmtk();

  // The 64 MB object: 32 MiB of pixel data and 32 MiB of overlay data, each value within the
  // 40,000,000-byte limit of our decoder.
  static bench::Twin image64, texts;
  bench::BuildImage(image64, bench::kBigPixelBytes, bench::kBigOverlayBytes);
  bench::BuildTexts(texts, 20000);

  static std::deque<Case> cases;
  for (const auto syntax : {dicom::ImplicitLittleEndian, dicom::ExplicitBigEndian}) {
    cases.push_back({"image64", &image64, syntax, true, {}});
    cases.push_back({"text20k", &texts, syntax, false, {}});
  }
  for (Case& c : cases) {
    c.encoded = bench::EncodeOurs(c.twin->ours, c.syntax);
    const std::vector<std::uint8_t> theirs =
        bench::EncodeDcmtk(*c.twin->dcmtk, bench::ToDcmtk(c.syntax));
    // Both sides must produce the same bytes, or the rows compare different work.
    std::fprintf(stderr, "check %s/%s: %zu elements, %zu bytes, %s\n", c.data.c_str(),
                 bench::SyntaxName(c.syntax).c_str(), c.twin->ours.Size(), c.encoded.size(),
                 theirs == c.encoded ? "same bytes as DCMTK" : "DIFFERENT BYTES FROM DCMTK");
  }

  for (const Case& c : cases) {
    const std::string suffix = "/" + c.data + "/" + bench::SyntaxName(c.syntax);
    Register("codec/ours/encode" + suffix, c, [&c](benchmark::State& s) { OursEncode(s, c); });
    Register("codec/dcmtk/encode" + suffix, c, [&c](benchmark::State& s) { DcmtkEncode(s, c); });
    Register("codec/ours/decode" + suffix, c,
             [&c](benchmark::State& s) { OursDecode(s, c, true); });
    Register("codec/dcmtk/decode" + suffix, c,
             [&c](benchmark::State& s) { DcmtkDecode(s, c, false); });
    Register("codec/ours/decode_only" + suffix, c,
             [&c](benchmark::State& s) { OursDecode(s, c, false); });
    if (c.pixels && c.syntax == dicom::ExplicitBigEndian) {
      Register("codec/dcmtk/decode_native" + suffix, c,
               [&c](benchmark::State& s) { DcmtkDecode(s, c, true); });
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
