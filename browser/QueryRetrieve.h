#pragma once

#include <cstdint>

#include "browser/Records.h"
#include "host/Module.h"

namespace dicom {
class DataSet;
}

// The operations behind the browser: connect the shared association, query the archive at the
// study, series or image level into the host lists and the browser's list views, find the record
// behind a row, and move an image into a host display.
namespace plugin {

inline constexpr int kLevelStudy = 0;
inline constexpr int kLevelSeries = 1;
inline constexpr int kLevelImage = 2;
// Only the column sort uses it: the patients list has no records of its own.
inline constexpr int kLevelPatients = 3;

// Results of the operations.
inline constexpr int kSuccess = 0;
inline constexpr int kNotSent = -1;
inline constexpr int kNotAnswered = -2;
inline constexpr int kFileMissing = -5;
inline constexpr int kUnknownLevel = -7;
inline constexpr int kMissingParameter = -8;
// The user pressed Cancel: what arrived is kept, and nothing is reported.
inline constexpr int kCancelled = -10;

// The level whose responses are being stored; callers set it before QueryServer.
extern std::int32_t CurrentLevel;

// The next row of each list view; every query starts them at 0. A row's index when inserted is
// also its item data, by which the column sort finds it.
struct RowCounterValues {
  int patient;
  int study;
  int series;
  int image;
};
extern RowCounterValues RowCounters;

// The raw Patient's Name of the first patient row of a study query: only that patient's studies
// are listed.
extern char CurrentPatientName[kTextBuffer];

// 0, or kNotAnswered when the association could not be established. With the host's retrieve
// method "get" ([dicom] retrieveMethod) the association also proposes C-GET and the storage
// classes, with this side as their SCP.
int ConnectToServer(const char* host, const char* port, const char* callingAeTitle,
                    const char* calledAeTitle);
// Runs one C-FIND at the level (key 1: the filter value or the study UID; key 2: the series UID;
// nullptr for none) and stores every response by CurrentLevel.
int QueryServer(int level, const char* key1, const char* key2);
// Keeps the response as a record of CurrentLevel and shows its rows.
void AddQueryResult(const dicom::DataSet& identifier);
// The study row of the record (and not its patient row), at the next study row.
void InsertStudyRow(const StudyRecord& record);
// The display name of a study record, as the patients list shows it.
void StudyPatientName(const StudyRecord& record, char* output);
// Kind 0: the study of a patient row's name and a study row's Study ID (out 1 the study UID);
// kind 1: the series of a series row's modality and number (out 1 the study UID, out 2 the series
// UID). Out buffers hold 260 bytes. 1 found, 0 not.
int FindRecordForRow(int kind, const char* text1, const char* text2, char* out1, char* out2);
// Where the storage receiver leaves a moved image: the temporary directory and "tempDic.dic".
// The path holds 260 bytes.
void TemporaryFilePath(char* path);
// Moves one image to this system's AE title, or, when the association was set up for C-GET,
// gets it on the association; then loads the file the receiver (or the get) left into the display
// and names it after the selected patient.
int MoveAndLoadImage(std::uint16_t display, const char* sopInstanceUid, const char* studyUid,
                     const char* seriesUid);
// Whether the user pressed Cancel in the progress dialog of the last operation.
bool UserCancelled();

}  // namespace plugin
