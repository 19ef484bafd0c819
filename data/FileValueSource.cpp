#include "data/FileValueSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace dicom {

std::shared_ptr<const FileValueSource> FileValueSource::Open(const std::string& path) {
  const int handle = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (handle < 0) return nullptr;
  // Values are read once, front to back: the kernel may read ahead and drop behind.
  posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::shared_ptr<const FileValueSource>(new FileValueSource(handle));
}

FileValueSource::~FileValueSource() {
  close(handle_);
}

bool FileValueSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::uint32_t count) const {
  while (count > 0) {
    const ssize_t got = pread(handle_, out, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    // A file cut short since it was read ends the value here.
    if (got <= 0) return false;
    out += got;
    offset += static_cast<std::uint64_t>(got);
    count -= static_cast<std::uint32_t>(got);
  }
  return true;
}

}  // namespace dicom
