#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "data/ElementValue.h"

namespace dicom {

// Values from this size on are worth leaving in their file: below it a read costs more than the
// memory it saves.
inline constexpr std::uint32_t kLeftInFileFrom = 1 << 16;

// The bytes of a file on disk, read by position, for the values a reader leaves in it.
class FileValueSource : public ValueSource {
 public:
  // Null when the file cannot be opened.
  static std::shared_ptr<const FileValueSource> Open(const std::string& path);
  ~FileValueSource() override;
  FileValueSource(const FileValueSource&) = delete;
  FileValueSource& operator=(const FileValueSource&) = delete;

  bool ReadAt(std::uint64_t offset, std::uint8_t* out, std::uint32_t count) const override;

 private:
  explicit FileValueSource(int handle) : handle_(handle) {}

  const int handle_;
};

}  // namespace dicom
