#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/TransferSyntax.h"

namespace dicom {

// Where a received object is kept: a DICOM file with its meta header, in one directory, that
// appears whole or not at all. It is written and synced under a name of its own in the same
// directory, then renamed over the final name, which replaces whatever had that name (a symbolic
// link included) without following it; the directory is synced too, so that the name survives a
// crash as the contents do.
class StoredObjectFile {
 public:
  // Files get the modes of any file the user creates, not the private mode of a temporary one.
  explicit StoredObjectFile(std::filesystem::path directory);

  const std::filesystem::path& Directory() const { return directory_; }
  // True when the object stands complete as `name` in the directory, in the syntax it arrived in.
  // Otherwise `error` says why, and nothing is left behind.
  bool Write(const DataSet& object, std::string_view name, std::string_view sopClassUid,
             std::string_view sopInstanceUid, TransferSyntax syntax, std::string& error) const;

  // Whether a UID from a peer may name a file: only UID characters, so that nothing a peer sends
  // names a path of its choosing.
  static bool IsUidName(std::string_view uid);

 private:
  friend class IncomingObjectFile;

  // A new file under a temporary name; -1 with `error` set when it cannot be made.
  int CreateTemporary(std::string& temporary, std::string& error) const;
  // Syncs and closes the written temporary file and renames it to `name`; on failure removes it.
  bool Finish(int handle, bool written, int writeError, const std::string& temporary,
              std::string_view name, std::string& error) const;
  void SyncDirectory() const;

  const std::filesystem::path directory_;
  const mode_t mode_;
};

// An object written as it arrives, never held whole: the meta header first, then the bytes of its
// data set as they come. Until Commit it lives under a temporary name, which is removed when the
// object is destroyed uncommitted.
class IncomingObjectFile {
 public:
  IncomingObjectFile(const StoredObjectFile& files, std::string_view sopClassUid,
                     std::string_view sopInstanceUid, TransferSyntax syntax);
  ~IncomingObjectFile();
  IncomingObjectFile(const IncomingObjectFile&) = delete;
  IncomingObjectFile& operator=(const IncomingObjectFile&) = delete;

  // After a failed write (a full disk, a file size limit) the rest is dropped: the sender's
  // message is still read to its end, and Commit says why.
  void Append(const std::uint8_t* bytes, std::uint32_t count);

  enum class Outcome { Stored, NotWritten, NotDecoded };
  // Writes out the rest, checks that the data set decodes (its large values stay on disk), syncs
  // and renames the file to `name`. Otherwise `error` says why, and nothing is left behind.
  Outcome Commit(std::string_view name, std::string& error);

 private:
  bool WriteOut();

  const StoredObjectFile& files_;
  std::string temporary_;
  int handle_ = -1;
  int writeError_ = 0;
  std::string error_;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace dicom
