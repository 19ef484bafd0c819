#include "data/DataDictionary.h"

#include <algorithm>

namespace dicom {

const DataDictionary& DataDictionary::Instance() {
  static const DataDictionary instance;
  return instance;
}

bool DataDictionary::Lookup(Tag tag, VrCode& vr, const char** name) const {
  Map map = Map::Main;
  Tag key = tag;
  switch (TagGroup(tag)) {
    case 0x0000:
      map = Map::Command;
      break;
    case 0x0002:
      map = Map::FileMeta;
      break;
    case 0x0004:
      map = Map::Directory;
      break;
    default:
      // Curves and overlays repeat over the even groups 5000-501E and 6000-601E; any 50xx or
      // 60xx resolves to the base group.
      if ((tag >> 24) == 0x50) {
        map = Map::Curve;
        key = tag & kRepeatingGroupMask;
      } else if ((tag >> 24) == 0x60) {
        map = Map::Overlay;
        key = tag & kRepeatingGroupMask;
      }
      break;
  }
  const std::span<const DictionaryEntry> entries = Table(map);
  const auto it =
      std::lower_bound(entries.begin(), entries.end(), key,
                       [](const DictionaryEntry& entry, Tag wanted) { return entry.tag < wanted; });
  if (it == entries.end() || it->tag != key) return false;
  vr = it->vr;
  if (name != nullptr) *name = it->name;
  return true;
}

std::span<const DictionaryEntry> DataDictionary::Entries(Map map) const {
  return Table(map);
}

}  // namespace dicom
