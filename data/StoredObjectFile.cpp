#include "data/StoredObjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "data/DicomFile.h"
#include "data/FileValueSource.h"

namespace dicom {
namespace {

mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Received bytes go to the disk in blocks of this size.
constexpr std::size_t kWriteBlock = 1 << 20;

}  // namespace

StoredObjectFile::StoredObjectFile(std::filesystem::path directory)
    : directory_(std::move(directory)), mode_(CreationMode()) {}

bool StoredObjectFile::IsUidName(std::string_view uid) {
  return !uid.empty() && uid.size() <= 64 && std::all_of(uid.begin(), uid.end(), [](char c) {
    return c == '.' || (c >= '0' && c <= '9');
  });
}

int StoredObjectFile::CreateTemporary(std::string& temporary, std::string& error) const {
  temporary = (directory_ / ".incoming-XXXXXX").string();
  const int handle = mkostemp(temporary.data(), O_CLOEXEC);
  if (handle < 0)
    error = "cannot create a file in " + directory_.string() + ": " + std::strerror(errno);
  return handle;
}

bool StoredObjectFile::Finish(int handle, bool written, int writeError,
                              const std::string& temporary, std::string_view name,
                              std::string& error) const {
  const std::string path = (directory_ / name).string();
  if (written && (fchmod(handle, mode_) != 0 || fsync(handle) != 0)) {
    written = false;
    writeError = errno;
  }
  close(handle);
  if (written && std::rename(temporary.c_str(), path.c_str()) == 0) {
    SyncDirectory();
    return true;
  }
  error = "cannot write " + path + ": " + std::strerror(written ? errno : writeError);
  unlink(temporary.c_str());
  return false;
}

bool StoredObjectFile::Write(const DataSet& object, std::string_view name,
                             std::string_view sopClassUid, std::string_view sopInstanceUid,
                             TransferSyntax syntax, std::string& error) const {
  std::string temporary;
  const int handle = CreateTemporary(temporary, error);
  if (handle < 0) return false;
  DicomFile file(sopClassUid, sopInstanceUid, syntax);
  file.open(temporary, std::ios::out | std::ios::binary | std::ios::trunc);
  bool written = file.is_open() && file.Write(object);
  file.close();
  written = written && !file.fail();
  return Finish(handle, written, errno, temporary, name, error);
}

void StoredObjectFile::SyncDirectory() const {
  const int handle = open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  fsync(handle);
  close(handle);
}

IncomingObjectFile::IncomingObjectFile(const StoredObjectFile& files, std::string_view sopClassUid,
                                       std::string_view sopInstanceUid, TransferSyntax syntax)
    : files_(files) {
  handle_ = files_.CreateTemporary(temporary_, error_);
  if (handle_ < 0) return;
  std::ostringstream header;
  FileMetaHeader(sopClassUid, sopInstanceUid, syntax).Write(header);
  const std::string bytes = header.str();
  buffer_.reserve(kWriteBlock);
  Append(reinterpret_cast<const std::uint8_t*>(bytes.data()),
         static_cast<std::uint32_t>(bytes.size()));
}

IncomingObjectFile::~IncomingObjectFile() {
  if (handle_ < 0) return;
  close(handle_);
  unlink(temporary_.c_str());
}

void IncomingObjectFile::Append(const std::uint8_t* bytes, std::uint32_t count) {
  if (handle_ < 0 || writeError_ != 0) return;
  while (count > 0) {
    const std::size_t put = std::min<std::size_t>(count, kWriteBlock - buffer_.size());
    buffer_.insert(buffer_.end(), bytes, bytes + put);
    bytes += put;
    count -= static_cast<std::uint32_t>(put);
    if (buffer_.size() == kWriteBlock && !WriteOut()) return;
  }
}

bool IncomingObjectFile::WriteOut() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t wrote = write(handle_, buffer_.data() + done, buffer_.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      writeError_ = wrote < 0 ? errno : ENOSPC;
      buffer_ = {};
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  buffer_.clear();
  return true;
}

IncomingObjectFile::Outcome IncomingObjectFile::Commit(std::string_view name, std::string& error) {
  if (handle_ < 0) {
    error = error_;
    return Outcome::NotWritten;
  }
  const bool written = writeError_ == 0 && WriteOut();
  if (written) {
    DicomFile file;
    file.open(temporary_, std::ios::in | std::ios::binary);
    file.DeferValues(FileValueSource::Open(temporary_), kLeftInFileFrom);
    DataSet object;
    if (!file.is_open() || !file.Read(object) || file.Status() != CodecStatus::Good) {
      error = "the data set does not decode";
      return Outcome::NotDecoded;
    }
  }
  const int handle = handle_;
  handle_ = -1;
  return files_.Finish(handle, written, writeError_, temporary_, name, error) ? Outcome::Stored
                                                                              : Outcome::NotWritten;
}

}  // namespace dicom
