// JPEG lossless (the Huffman-coded process of frame type SOF3): predictors 1 to 7, point
// transform, 2 to 16 bits, interleaved and non-interleaved scans, restart intervals. The library
// in Debian decodes only the DCT processes, so this one is our own.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "codecs/Decoders.h"

namespace dicom::codecs {

namespace {

constexpr int kLookBits = 11;
constexpr int kMaxComponents = 4;

// Reads the entropy-coded data of a scan, most significant bit first, with the stuffed zero after
// each 0xFF removed. At a marker or at the end of the data it stops and feeds zero bits, counting
// them, so that a scan that uses any of them is known to be truncated.
class BitReader {
 public:
  BitReader(const std::uint8_t* pos, const std::uint8_t* end) : pos_(pos), end_(end) {}

  // Tops the buffer up to at least 57 bits; eight bytes at a time where none of them is 0xFF.
  void Fill() {
    if (end_ - pos_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, pos_, 8);
      const std::uint64_t inverted = ~word;
      if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) == 0) {
        const int take = (64 - count_) >> 3;
        const std::uint64_t bytes =
            std::endian::native == std::endian::little ? __builtin_bswap64(word) : word;
        bits_ |= (take == 8 ? bytes : bytes & ~(~0ull >> (8 * take))) >> count_;
        count_ += 8 * take;
        pos_ += take;
        return;
      }
    }
    while (count_ <= 56) {
      std::uint64_t byte = 0;
      if (pos_ < end_ && *pos_ != 0xFF) {
        byte = *pos_++;
      } else if (end_ - pos_ >= 2 && pos_[1] == 0x00) {
        byte = 0xFF;
        pos_ += 2;
      } else {
        padBits_ += 8;
      }
      bits_ |= byte << (56 - count_);
      count_ += 8;
    }
  }
  void EnsureForSample() {
    if (count_ < 32) Fill();
  }
  std::uint32_t Peek(int n) const { return static_cast<std::uint32_t>(bits_ >> (64 - n)); }
  void Skip(int n) {
    bits_ <<= n;
    count_ -= n;
  }
  bool Overrun() const { return padBits_ > count_; }
  const std::uint8_t* Position() const { return pos_; }

  // Drops what is left of the interval's last byte and steps over the restart marker that must
  // follow. False when the next marker is not a restart marker.
  bool Restart() {
    bits_ = 0;
    count_ = 0;
    padBits_ = 0;
    while (pos_ < end_ && *pos_ != 0xFF)
      ++pos_;
    while (end_ - pos_ >= 2 && pos_[1] == 0xFF)
      ++pos_;
    if (end_ - pos_ < 2 || pos_[1] < 0xD0 || pos_[1] > 0xD7) return false;
    pos_ += 2;
    return true;
  }

 private:
  const std::uint8_t* pos_;
  const std::uint8_t* end_;
  std::uint64_t bits_ = 0;  // left-aligned
  int count_ = 0;
  std::int64_t padBits_ = 0;
};

std::int32_t Extend(std::uint32_t value, int size) {
  return value < (1u << (size - 1)) ? static_cast<std::int32_t>(value) - (1 << size) + 1
                                    : static_cast<std::int32_t>(value);
}

// A DC Huffman table of the lossless process. Codes of up to kLookBits bits are looked up in one
// step, and when the difference's extra bits fit too, the difference itself comes out.
class HuffmanTable {
 public:
  bool Build(const std::uint8_t counts[16], const std::uint8_t* symbols, int total) {
    std::copy(symbols, symbols + total, symbols_.begin());
    fast_.fill({0, 0, kLong});
    std::uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
      valueOffset_[length] = index - static_cast<std::int32_t>(code);
      for (int i = 0; i < counts[length - 1]; ++i, ++index, ++code) {
        if (code >= (1u << length)) return false;  // more codes than the length allows
        if (length <= kLookBits) FillFast(length, code, symbols_[index]);
      }
      maxCode_[length] = counts[length - 1] ? static_cast<std::int32_t>(code) - 1 : -1;
      code <<= 1;
    }
    return true;
  }

  // The next difference; sets `bad` on a code that is not in the table.
  std::int32_t Decode(BitReader& reader, bool& bad) const {
    reader.EnsureForSample();
    const Entry entry = fast_[reader.Peek(kLookBits)];
    reader.Skip(entry.bits);
    if (entry.kind == kDifference) return entry.value;
    int size = entry.value;
    if (entry.kind == kLong) size = DecodeLong(reader);
    if (size == 0) return 0;
    if (size == 16) return 32768;
    if (size < 0 || size > 16) {
      bad = true;
      return 0;
    }
    const std::uint32_t extra = reader.Peek(size);
    reader.Skip(size);
    return Extend(extra, size);
  }

 private:
  enum Kind : std::uint8_t { kDifference, kSize, kLong };
  struct Entry {
    std::int32_t value;  // the difference, or the size category that precedes its extra bits
    std::uint8_t bits;   // consumed by this step
    Kind kind;
  };

  void FillFast(int length, std::uint32_t code, std::uint8_t symbol) {
    const int spare = kLookBits - length;
    for (std::uint32_t low = 0; low < (1u << spare); ++low) {
      const std::uint32_t index = (code << spare) | low;
      Entry& entry = fast_[index];
      if (symbol == 0 || symbol == 16) {
        entry = {symbol == 0 ? 0 : 32768, static_cast<std::uint8_t>(length), kDifference};
      } else if (symbol < 16 && length + symbol <= kLookBits) {
        const std::uint32_t extra = (index >> (spare - symbol)) & ((1u << symbol) - 1);
        entry = {Extend(extra, symbol), static_cast<std::uint8_t>(length + symbol), kDifference};
      } else {
        entry = {symbol, static_cast<std::uint8_t>(length), kSize};
      }
    }
  }

  // A code longer than kLookBits, of which nothing has been consumed yet.
  int DecodeLong(BitReader& reader) const {
    const std::uint32_t bits = reader.Peek(16);
    for (int length = kLookBits + 1; length <= 16; ++length) {
      const std::int32_t code = static_cast<std::int32_t>(bits >> (16 - length));
      if (code <= maxCode_[length]) {
        reader.Skip(length);
        return symbols_[static_cast<std::size_t>(valueOffset_[length] + code) & 0xFF];
      }
    }
    return -1;
  }

  std::array<Entry, 1 << kLookBits> fast_{};
  std::array<std::uint8_t, 256> symbols_{};
  std::array<std::int32_t, 17> maxCode_{};
  std::array<std::int32_t, 17> valueOffset_{};
};

struct FrameHeader {
  bool seen = false;
  std::uint32_t precision = 0;
  std::uint32_t height = 0;
  std::uint32_t width = 0;
  int components = 0;
  std::array<std::uint8_t, kMaxComponents> ids{};
  std::array<bool, kMaxComponents> decoded{};
};

// One scan's state: its components' tables and positions in the output, two rows of samples
// before the point transform (interleaved as the scan interleaves them), the reader.
struct Scan {
  int count = 0;
  std::array<const HuffmanTable*, kMaxComponents> tables{};
  std::array<int, kMaxComponents> outputIndex{};
  std::uint32_t mask = 0;
  std::uint32_t initial = 0;
  std::vector<std::uint16_t> previous;
  std::vector<std::uint16_t> current;
  bool bad = false;
};

std::int32_t Predict(int predictor, std::int32_t a, std::int32_t b, std::int32_t c) {
  switch (predictor) {
    case 1:
      return a;
    case 2:
      return b;
    case 3:
      return c;
    case 4:
      return a + b - c;
    case 5:
      return a + ((b - c) >> 1);
    case 6:
      return b + ((a - c) >> 1);
    default:
      return (a + b) >> 1;
  }
}

// Decodes the samples x0 to x1 of the current row. Predictor 0 stands for the rule of a first row
// (and of the rest of a row after a restart): the neighbour to the left, or the initial value
// for the sample at x0 when `reset`. N is the scan's component count, or 0 for "any".
template <int Predictor, int N>
void DecodeRun(Scan& scan, BitReader& reader, std::uint32_t x0, std::uint32_t x1, bool reset) {
  // A local copy of the reader stays in registers; the row writes cannot alias it.
  BitReader local = reader;
  bool bad = false;
  const int n = N ? N : scan.count;
  std::uint16_t* const cur = scan.current.data();
  const std::uint16_t* const prev = scan.previous.data();
  for (std::uint32_t x = x0; x < x1; ++x) {
    for (int c = 0; c < n; ++c) {
      const std::size_t at = std::size_t{x} * n + c;
      std::int32_t prediction;
      if constexpr (Predictor == 0) {
        prediction =
            (x == x0 && reset) || x == 0 ? static_cast<std::int32_t>(scan.initial) : cur[at - n];
      } else {
        prediction = x == 0 ? prev[at] : Predict(Predictor, cur[at - n], prev[at], prev[at - n]);
      }
      const std::int32_t difference = scan.tables[c]->Decode(local, bad);
      cur[at] = static_cast<std::uint16_t>(static_cast<std::uint32_t>(prediction + difference) &
                                           scan.mask);
    }
  }
  reader = local;
  scan.bad = scan.bad || bad;
}

template <int N>
void DecodeRunWith(int predictor, Scan& scan, BitReader& reader, std::uint32_t x0, std::uint32_t x1,
                   bool reset) {
  switch (predictor) {
    case 0:
      return DecodeRun<0, N>(scan, reader, x0, x1, reset);
    case 1:
      return DecodeRun<1, N>(scan, reader, x0, x1, reset);
    case 2:
      return DecodeRun<2, N>(scan, reader, x0, x1, reset);
    case 3:
      return DecodeRun<3, N>(scan, reader, x0, x1, reset);
    case 4:
      return DecodeRun<4, N>(scan, reader, x0, x1, reset);
    case 5:
      return DecodeRun<5, N>(scan, reader, x0, x1, reset);
    case 6:
      return DecodeRun<6, N>(scan, reader, x0, x1, reset);
    default:
      return DecodeRun<7, N>(scan, reader, x0, x1, reset);
  }
}

class Decoder {
 public:
  explicit Decoder(const FrameJob& job) : job_(job), in_(job.codeStream) {}

  DecodeResult Run() {
    if (in_.size() < 2 || in_[0] != 0xFF || in_[1] != 0xD8)
      return Failure(DecodeStatus::Corrupt, "the frame does not start with a JPEG SOI marker");
    std::size_t pos = 2;
    for (;;) {
      // Markers may be preceded by fill bytes, and a scan's end is found by looking for the next.
      while (pos < in_.size() && in_[pos] != 0xFF)
        ++pos;
      while (pos + 1 < in_.size() && in_[pos + 1] == 0xFF)
        ++pos;
      if (pos + 1 >= in_.size()) break;
      const std::uint8_t marker = in_[pos + 1];
      pos += 2;
      if (marker == 0xD9) break;
      if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
      if (in_.size() - pos < 2)
        return Failure(DecodeStatus::Truncated, "the code stream ends inside a marker segment");
      const std::size_t length = (in_[pos] << 8) | in_[pos + 1];
      if (length < 2 || length > in_.size() - pos)
        return Failure(DecodeStatus::Truncated, "a marker segment of " + std::to_string(length) +
                                                    " bytes runs past the end");
      const std::span<const std::uint8_t> segment = in_.subspan(pos + 2, length - 2);
      pos += length;
      DecodeResult result;
      if (marker == 0xC3) {
        result = ReadFrame(segment);
      } else if (marker == 0xC4) {
        result = ReadTables(segment);
      } else if (marker == 0xDD) {
        if (segment.size() < 2) return Failure(DecodeStatus::Corrupt, "a short DRI segment");
        restartInterval_ = (segment[0] << 8) | segment[1];
      } else if (marker == 0xDA) {
        result = DecodeScan(segment, pos);
      } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC8 && marker != 0xCC) {
        return Failure(DecodeStatus::UnsupportedSyntax,
                       "frame type SOF" + std::to_string(marker - 0xC0) +
                           " in place of lossless Huffman coding (SOF3)");
      }
      if (!result.Ok()) return result;
    }
    if (!frame_.seen)
      return Failure(DecodeStatus::Truncated, "the code stream has no frame header");
    for (int i = 0; i < frame_.components; ++i) {
      if (!frame_.decoded[i])
        return Failure(DecodeStatus::Truncated,
                       "the code stream ends before component " + std::to_string(i + 1));
    }
    return {};
  }

 private:
  DecodeResult ReadFrame(std::span<const std::uint8_t> s) {
    if (frame_.seen) return Failure(DecodeStatus::Corrupt, "a second frame header");
    if (s.size() < 6) return Failure(DecodeStatus::Corrupt, "a short frame header");
    frame_.precision = s[0];
    frame_.height = (s[1] << 8) | s[2];
    frame_.width = (s[3] << 8) | s[4];
    frame_.components = s[5];
    if (frame_.precision < 2 || frame_.precision > 16)
      return Failure(DecodeStatus::Corrupt,
                     "a precision of " + std::to_string(frame_.precision) + " bits");
    if (DecodeResult geometry =
            CheckGeometry(job_,
                          {frame_.width, frame_.height,
                           static_cast<std::uint32_t>(frame_.components), frame_.precision},
                          "JPEG lossless");
        !geometry.Ok())
      return geometry;
    if (s.size() < 6 + 3 * std::size_t(frame_.components))
      return Failure(DecodeStatus::Corrupt, "a short frame header");
    for (int i = 0; i < frame_.components; ++i) {
      frame_.ids[i] = s[6 + 3 * i];
      // A lone component's sampling factors mean nothing; several must all be 1 x 1.
      if (frame_.components > 1 && s[7 + 3 * i] != 0x11)
        return Failure(DecodeStatus::UnsupportedSyntax, "a subsampled component");
    }
    frame_.seen = true;
    return {};
  }

  DecodeResult ReadTables(std::span<const std::uint8_t> s) {
    std::size_t pos = 0;
    while (pos < s.size()) {
      if (s.size() - pos < 17) return Failure(DecodeStatus::Corrupt, "a short Huffman table");
      const std::uint8_t classAndId = s[pos];
      std::uint8_t counts[16];
      int total = 0;
      for (int i = 0; i < 16; ++i)
        total += counts[i] = s[pos + 1 + i];
      pos += 17;
      if (total > 256 || static_cast<std::size_t>(total) > s.size() - pos ||
          (classAndId & 0x0F) > 3)
        return Failure(DecodeStatus::Corrupt, "a malformed Huffman table");
      // AC tables have no use in the lossless process; they are read over.
      if ((classAndId >> 4) == 0) {
        HuffmanTable& table = tables_[classAndId & 0x0F];
        if (!table.Build(counts, s.data() + pos, total))
          return Failure(DecodeStatus::Corrupt, "a Huffman table with more codes than fit");
        defined_[classAndId & 0x0F] = true;
      }
      pos += total;
    }
    return {};
  }

  DecodeResult DecodeScan(std::span<const std::uint8_t> s, std::size_t& pos) {
    if (!frame_.seen) return Failure(DecodeStatus::Corrupt, "a scan before the frame header");
    if (s.empty() || s[0] < 1 || s[0] > frame_.components || s.size() < 1 + 2 * s[0] + 3u)
      return Failure(DecodeStatus::Corrupt, "a malformed scan header");
    Scan scan;
    scan.count = s[0];
    for (int i = 0; i < scan.count; ++i) {
      const auto id =
          std::find(frame_.ids.begin(), frame_.ids.begin() + frame_.components, s[1 + 2 * i]);
      const int table = s[2 + 2 * i] >> 4;
      if (id == frame_.ids.begin() + frame_.components || table > 3 || !defined_[table])
        return Failure(DecodeStatus::Corrupt,
                       "a scan names a component or Huffman table that is not defined");
      scan.outputIndex[i] = static_cast<int>(id - frame_.ids.begin());
      scan.tables[i] = &tables_[table];
    }
    const int predictor = s[1 + 2 * scan.count];
    const std::uint32_t pointTransform = s[3 + 2 * scan.count] & 0x0F;
    if (predictor < 1 || predictor > 7 || pointTransform >= frame_.precision)
      return Failure(DecodeStatus::Corrupt, "predictor " + std::to_string(predictor) +
                                                " with point transform " +
                                                std::to_string(pointTransform));
    const std::uint32_t bits = frame_.precision - pointTransform;
    scan.mask = (1u << bits) - 1;
    scan.initial = 1u << (bits - 1);
    const std::size_t rowSamples = std::size_t{frame_.width} * scan.count;
    scan.previous.assign(rowSamples, 0);
    scan.current.assign(rowSamples, 0);

    BitReader reader(in_.data() + pos, in_.data() + in_.size());
    const std::uint32_t interval = restartInterval_;
    std::uint64_t untilRestart = interval ? interval : std::numeric_limits<std::uint64_t>::max();
    bool reset = true;
    bool firstRow = true;
    for (std::uint32_t y = 0; y < frame_.height; ++y) {
      std::uint32_t x = 0;
      while (x < frame_.width) {
        const auto end =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(frame_.width, x + untilRestart));
        const int rule = firstRow ? 0 : predictor;
        if (scan.count == 1) {
          DecodeRunWith<1>(rule, scan, reader, x, end, reset);
        } else {
          DecodeRunWith<0>(rule, scan, reader, x, end, reset);
        }
        reset = false;
        if (interval) untilRestart -= end - x;
        x = end;
        if (untilRestart == 0 && !(x == frame_.width && y + 1 == frame_.height)) {
          if (reader.Overrun()) break;
          if (!reader.Restart())
            return Failure(DecodeStatus::Corrupt, "a restart marker is missing");
          untilRestart = interval;
          reset = true;
          firstRow = true;
        }
      }
      if (reader.Overrun())
        return Failure(DecodeStatus::Truncated, "the code stream ends in row " +
                                                    std::to_string(y + 1) + " of " +
                                                    std::to_string(frame_.height));
      if (scan.bad) return Failure(DecodeStatus::Corrupt, "a Huffman code that no table holds");
      StoreRow(scan, y, pointTransform);
      std::swap(scan.previous, scan.current);
      firstRow = reset;
    }
    for (int i = 0; i < scan.count; ++i)
      frame_.decoded[scan.outputIndex[i]] = true;
    pos = static_cast<std::size_t>(reader.Position() - in_.data());
    return {};
  }

  void StoreRow(const Scan& scan, std::uint32_t y, std::uint32_t pointTransform) {
    const std::size_t samples = job_.description.samplesPerPixel;
    const std::size_t rowStart = std::size_t{y} * frame_.width * samples;
    std::uint8_t* const out = job_.output.data();
    const bool wide = job_.description.bitsAllocated == 16;
    for (int c = 0; c < scan.count; ++c) {
      std::size_t at = rowStart + scan.outputIndex[c];
      const std::uint16_t* value = scan.current.data() + c;
      for (std::uint32_t x = 0; x < frame_.width; ++x, at += samples, value += scan.count) {
        const std::uint32_t sample = std::uint32_t{*value} << pointTransform;
        if (wide) {
          Store16(out, at, sample);
        } else {
          out[at] = static_cast<std::uint8_t>(sample);
        }
      }
    }
  }

  const FrameJob& job_;
  const std::span<const std::uint8_t> in_;
  FrameHeader frame_;
  std::array<HuffmanTable, 4> tables_;
  std::array<bool, 4> defined_{};
  std::uint32_t restartInterval_ = 0;
};

}  // namespace

DecodeResult DecodeJpegLossless(const FrameJob& job) {
  return Decoder(job).Run();
}

}  // namespace dicom::codecs
