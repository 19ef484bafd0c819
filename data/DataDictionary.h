#pragma once

#include <cstddef>
#include <span>

#include "data/Tag.h"
#include "data/VrCode.h"

namespace dicom {

struct DictionaryEntry {
  Tag tag;  // for the repeating groups the base group 5000 or 6000
  VrCode vr;
  const char* name;  // the standard's attribute name without blanks, in code page 1252
};

// The process-wide, read-only table of VRs and attribute names, built from constant tables.
class DataDictionary {
 public:
  enum class Map { Command, FileMeta, Directory, Main, Curve, Overlay };

  static const DataDictionary& Instance();

  // True with vr (and name, when asked for) set when the tag is known; otherwise both stay as the
  // caller preset them.
  bool Lookup(Tag tag, VrCode& vr, const char** name = nullptr) const;

  // The entries of one map in ascending tag order.
  std::span<const DictionaryEntry> Entries(Map map) const;

 private:
  DataDictionary() = default;

  // The constant, ascending table of one map; defined in the generated DictionaryTables.cpp.
  static std::span<const DictionaryEntry> Table(Map map);
};

}  // namespace dicom
