#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

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
  void SyncDirectory() const;

  const std::filesystem::path directory_;
  const mode_t mode_;
};

}  // namespace dicom
