#pragma once

#include <cstdint>

// The fixed-layout records that the browser keeps in the host's lists, one per query response.
// Each begins with its own total size, which the host's list service copies by. Text fields hold
// the value's bytes as received, padding included, cut to fit and NUL-terminated.
//
// A UID may be 64 characters long, which a 64-byte field could hold only without its NUL, so the
// UID fields are 65 bytes wide; the records grow accordingly (StudyRecord also keeps the
// response's Specific Character Set, so that its texts can be shown as the archive meant them).
namespace plugin {

inline constexpr int kUidField = 65;
inline constexpr int kTextField = 64;
inline constexpr int kDateField = 16;

struct StudyRecord {
  std::uint32_t size;
  char patientName[kTextField];
  char studyInstanceUid[kUidField];
  char patientId[kTextField];
  char patientBirthDate[kTextField];
  char studyDate[kDateField];
  char studyId[kTextField];
  char characterSet[kTextField];  // (0008,0005), empty when the archive sent none
};

struct SeriesRecord {
  std::uint32_t size;
  char studyInstanceUid[kUidField];
  char seriesInstanceUid[kUidField];
  char modality[kTextField];
  char seriesNumber[kTextField];
};

struct ImageRecord {
  std::uint32_t size;
  char studyInstanceUid[kUidField];
  char seriesInstanceUid[kUidField];
  char instanceNumber[kTextField];
  char sopInstanceUid[kUidField];
};

}  // namespace plugin
