#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace dicom {

// The text of a PDU item in memory: at most 64 characters, NUL-filled behind them.
class UidValue {
 public:
  static constexpr std::uint32_t kMaxLength = 64;

  UidValue() = default;
  UidValue(std::string_view text) { Assign(text); }
  UidValue& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }

  // Keeps the first 64 characters of a longer text.
  void Assign(std::string_view text);
  std::string_view View() const { return {chars_.data(), length_}; }
  std::uint32_t Length() const { return length_; }

  friend bool operator==(const UidValue& a, const UidValue& b) { return a.View() == b.View(); }

 private:
  std::uint32_t length_ = 0;
  std::array<char, kMaxLength + 1> chars_{};
};

}  // namespace dicom
