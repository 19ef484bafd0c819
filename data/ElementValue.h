#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/VrCode.h"

namespace dicom {

class DataSet;
class ElementValue;
struct EncapsulatedPixelData;

// Element values and item data sets are shared between data sets and never changed once shared.
using ValuePtr = std::shared_ptr<const ElementValue>;
using ItemPtr = std::shared_ptr<const DataSet>;

// The ordered items of an SQ value.
using Sequence = std::vector<ItemPtr>;

constexpr std::uint32_t kUndefinedLength = 0xFFFFFFFF;

// Where the bytes of values left in their file are read when they are written, so that a large
// object passes from its file to the network without being held whole.
class ValueSource {
 public:
  virtual ~ValueSource() = default;
  // Exactly count bytes from offset; false when the file no longer holds them.
  virtual bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::uint32_t count) const = 0;
};

// A value's bytes as they wait in a source: numbers in the source's byte order.
struct DeferredBytes {
  std::shared_ptr<const ValueSource> source;
  std::uint64_t offset = 0;
  bool bigEndian = false;
};

// An uninitialised buffer for a value that is about to be read in whole.
std::unique_ptr<std::uint8_t[]> AllocateValueBuffer(std::uint32_t length);

// One element's value: its VR, its length and its bytes (numbers in little-endian order whatever
// the transfer syntax), or the items of a sequence.
class ElementValue {
 public:
  // Empty value of that VR.
  explicit ElementValue(VrCode vr) : vr_(vr) {}
  // Takes the buffer as it is: no padding, no copy.
  ElementValue(VrCode vr, std::uint32_t length, std::unique_ptr<std::uint8_t[]> data)
      : vr_(vr), length_(length), data_(std::move(data)) {}
  // Bytes left in their file: no Data(), written from the source.
  ElementValue(VrCode vr, std::uint32_t length, DeferredBytes deferred)
      : vr_(vr), length_(length), deferred_(std::make_unique<const DeferredBytes>(deferred)) {}
  // Copies the bytes; an odd length gets the VR's pad byte.
  ElementValue(VrCode vr, std::string_view text);
  // SQ; undefined length when the list holds an item, else 0.
  explicit ElementValue(Sequence items);
  // SQ with the length a reader found (undefined even for an empty list read from a stream).
  ElementValue(Sequence items, std::uint32_t length);
  // Encapsulated pixel data: undefined length, no bytes of its own, the items as read.
  ElementValue(VrCode vr, std::shared_ptr<const EncapsulatedPixelData> pixels)
      : vr_(vr), length_(kUndefinedLength), encapsulated_(std::move(pixels)) {}

  static ElementValue FromUS(std::uint16_t value);
  static ElementValue FromSS(std::int16_t value);
  static ElementValue FromUL(std::uint32_t value);
  static ElementValue FromSL(std::int32_t value);
  static ElementValue FromFL(float value);
  static ElementValue FromFD(double value);

  ElementValue(ElementValue&&) = default;
  ElementValue& operator=(ElementValue&&) = default;

  VrCode Vr() const { return vr_; }
  std::uint32_t Length() const { return length_; }
  // Null when the value has no bytes.
  const std::uint8_t* Data() const { return data_.get(); }
  // Null unless the bytes were left in their file.
  const DeferredBytes* Deferred() const { return deferred_.get(); }
  // Null unless the value is a sequence.
  const Sequence* Items() const { return items_.get(); }
  // Null unless the value is encapsulated pixel data.
  const EncapsulatedPixelData* Encapsulated() const { return encapsulated_.get(); }

  // Value number i reinterpreted as that type, whatever the VR; 0 (or false) when out of range.
  std::uint16_t GetUS(std::uint32_t i = 0) const { return Number<std::uint16_t>(i); }
  std::int16_t GetSS(std::uint32_t i = 0) const { return Number<std::int16_t>(i); }
  std::uint32_t GetUL(std::uint32_t i = 0) const { return Number<std::uint32_t>(i); }
  std::int32_t GetSL(std::uint32_t i = 0) const { return Number<std::int32_t>(i); }
  float GetFL(std::uint32_t i = 0) const { return Number<float>(i); }
  double GetFD(std::uint32_t i = 0) const { return Number<double>(i); }
  bool GetUS(std::uint16_t& out, std::uint32_t i) const { return Number(out, i); }
  bool GetSS(std::int16_t& out, std::uint32_t i) const { return Number(out, i); }
  bool GetUL(std::uint32_t& out, std::uint32_t i) const { return Number(out, i); }
  bool GetSL(std::int32_t& out, std::uint32_t i) const { return Number(out, i); }
  bool GetFL(float& out, std::uint32_t i) const { return Number(out, i); }
  bool GetFD(double& out, std::uint32_t i) const { return Number(out, i); }

  // The bytes as text, trimmed as the named VR is trimmed (not the value's own VR).
  std::string Text(VrCode vr) const;
  // Value n of a backslash-separated text; empty when there are fewer values.
  std::string TextValue(VrCode vr, std::uint32_t n) const;

 private:
  template <typename T>
  bool Number(T& out, std::uint32_t i) const;
  template <typename T>
  T Number(std::uint32_t i) const {
    T value{};
    Number(value, i);
    return value;
  }

  VrCode vr_;
  std::uint32_t length_ = 0;
  std::unique_ptr<std::uint8_t[]> data_;
  std::unique_ptr<Sequence> items_;
  std::shared_ptr<const EncapsulatedPixelData> encapsulated_;
  std::unique_ptr<const DeferredBytes> deferred_;
};

}  // namespace dicom
