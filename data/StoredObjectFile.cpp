#include "data/StoredObjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/DicomFile.h"

namespace dicom {
namespace {

mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

StoredObjectFile::StoredObjectFile(std::filesystem::path directory)
    : directory_(std::move(directory)), mode_(CreationMode()) {}

bool StoredObjectFile::IsUidName(std::string_view uid) {
  return !uid.empty() && uid.size() <= 64 && std::all_of(uid.begin(), uid.end(), [](char c) {
    return c == '.' || (c >= '0' && c <= '9');
  });
}

bool StoredObjectFile::Write(const DataSet& object, std::string_view name,
                             std::string_view sopClassUid, std::string_view sopInstanceUid,
                             TransferSyntax syntax, std::string& error) const {
  const std::string path = (directory_ / name).string();
  std::string temporary = (directory_ / ".incoming-XXXXXX").string();
  const int handle = mkostemp(temporary.data(), O_CLOEXEC);
  if (handle < 0) {
    error = "cannot create a file in " + directory_.string() + ": " + std::strerror(errno);
    return false;
  }
  DicomFile file(sopClassUid, sopInstanceUid, syntax);
  file.open(temporary, std::ios::out | std::ios::binary | std::ios::trunc);
  bool written = file.is_open() && file.Write(object);
  file.close();
  written = written && !file.fail() && fchmod(handle, mode_) == 0 && fsync(handle) == 0;
  const int writeError = errno;
  close(handle);
  if (written && std::rename(temporary.c_str(), path.c_str()) == 0) {
    SyncDirectory();
    return true;
  }
  error = "cannot write " + path + ": " + std::strerror(written ? errno : writeError);
  unlink(temporary.c_str());
  return false;
}

void StoredObjectFile::SyncDirectory() const {
  const int handle = open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  fsync(handle);
  close(handle);
}

}  // namespace dicom
