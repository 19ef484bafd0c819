#include "browser/QueryRetrieve.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "browser/DicomDate.h"
#include "browser/DisplayText.h"
#include "browser/FilterDialog.h"
#include "browser/HostLists.h"
#include "browser/PersonName.h"
#include "browser/Request.h"
#include "data/DataSet.h"
#include "data/StoredObjectFile.h"
#include "dimse/CFindScu.h"
#include "dimse/CGetScu.h"
#include "dimse/CMoveScu.h"
#include "dimse/CommandTags.h"
#include "host/DicomProgressMan.h"
#include "host/Language.h"
#include "host/TlsProfile.h"
#include "hostlibs/vekbase/VekBase.h"
#include "net/Association.h"
#include "net/IdleHook.h"
#include "platform/ListView.h"
#include "platform/OsServices.h"
#include "platform/WaitCursor.h"

namespace plugin {

std::int32_t CurrentLevel = kLevelStudy;
RowCounterValues RowCounters{};
char CurrentPatientName[kTextBuffer] = "";

namespace {

constexpr const char* kApplicationContext = "1.2.840.10008.3.1.1.1";
constexpr unsigned kConnectText = 1020;
constexpr unsigned kRetrieveText = 1022;
constexpr const char* kTemporaryFile = "tempDic.dic";

// The host's setting of how images are retrieved, read at each connect: "move" (the default) has
// the archive send them to the storage receiver, "get" brings them on the browser's association.
constexpr const char* kProfileSection = "dicom";
constexpr const char* kRetrieveMethodKey = "retrieveMethod";
// Whether the shared association was set up for C-GET.
bool retrieveByGet = false;

constexpr dicom::Tag kCharacterSet = 0x00080005;
constexpr dicom::Tag kSopInstanceUid = 0x00080018;
constexpr dicom::Tag kStudyDate = 0x00080020;
constexpr dicom::Tag kQueryLevel = 0x00080052;
constexpr dicom::Tag kModality = 0x00080060;
constexpr dicom::Tag kPatientName = 0x00100010;
constexpr dicom::Tag kPatientId = 0x00100020;
constexpr dicom::Tag kPatientBirthDate = 0x00100030;
constexpr dicom::Tag kStudyInstanceUid = 0x0020000D;
constexpr dicom::Tag kSeriesInstanceUid = 0x0020000E;
constexpr dicom::Tag kStudyId = 0x00200010;
constexpr dicom::Tag kSeriesNumber = 0x00200011;
constexpr dicom::Tag kInstanceNumber = 0x00200013;

// Which field of a record an element fills.
struct FieldOf {
  dicom::Tag tag;
  std::size_t offset;
  std::size_t width;
};

#define PLUGIN_FIELD(tag, Record, member)                 \
  FieldOf {                                               \
    tag, offsetof(Record, member), sizeof(Record::member) \
  }

constexpr FieldOf kStudyFields[] = {
    PLUGIN_FIELD(kCharacterSet, StudyRecord, characterSet),
    PLUGIN_FIELD(kStudyDate, StudyRecord, studyDate),
    PLUGIN_FIELD(kPatientName, StudyRecord, patientName),
    PLUGIN_FIELD(kPatientId, StudyRecord, patientId),
    PLUGIN_FIELD(kPatientBirthDate, StudyRecord, patientBirthDate),
    PLUGIN_FIELD(kStudyInstanceUid, StudyRecord, studyInstanceUid),
    PLUGIN_FIELD(kStudyId, StudyRecord, studyId),
};
constexpr FieldOf kSeriesFields[] = {
    PLUGIN_FIELD(kModality, SeriesRecord, modality),
    PLUGIN_FIELD(kStudyInstanceUid, SeriesRecord, studyInstanceUid),
    PLUGIN_FIELD(kSeriesInstanceUid, SeriesRecord, seriesInstanceUid),
    PLUGIN_FIELD(kSeriesNumber, SeriesRecord, seriesNumber),
};
constexpr FieldOf kImageFields[] = {
    PLUGIN_FIELD(kSopInstanceUid, ImageRecord, sopInstanceUid),
    PLUGIN_FIELD(kStudyInstanceUid, ImageRecord, studyInstanceUid),
    PLUGIN_FIELD(kSeriesInstanceUid, ImageRecord, seriesInstanceUid),
    PLUGIN_FIELD(kInstanceNumber, ImageRecord, instanceNumber),
};

#undef PLUGIN_FIELD

// Copies each source element's bytes into its field, cut to fit and NUL-terminated; the record
// was zero-filled, so an element without value leaves an empty text.
template <std::size_t N>
void FillRecord(const dicom::DataSet& identifier, const FieldOf (&fields)[N], void* record) {
  for (const auto& [tag, value] : identifier) {
    for (const FieldOf& field : fields) {
      if (field.tag != tag || !value || value->Data() == nullptr ||
          value->Length() == dicom::kUndefinedLength) {
        continue;
      }
      const std::size_t length = std::min<std::size_t>(value->Length(), field.width - 1);
      char* text = static_cast<char*>(record) + field.offset;
      std::memcpy(text, value->Data(), length);
      text[length] = '\0';
    }
  }
}

platform::ListView* View(platform::ListView* (CRequest::*list)() const) {
  return Browser != nullptr ? (Browser->*list)() : nullptr;
}

// A record's text as its row shows it.
std::string Shown(const char* field, const StudyRecord& record) {
  return DisplayText(field, record.characterSet);
}

void InsertStudyRows(const StudyRecord& record) {
  char name[kTextBuffer];
  StudyPatientName(record, name);
  if (RowCounters.patient == 0) CopyText(CurrentPatientName, record.patientName);
  platform::ListView* patients = View(&CRequest::PatientsView);
  if (patients != nullptr && patients->FindItem(name) == -1) {
    const int row = patients->InsertItem(RowCounters.patient, name,
                                         static_cast<std::uint32_t>(RowCounters.patient));
    patients->SetItemText(row, 1, Shown(record.patientId, record).c_str());
    char date[kTextBuffer];
    FormatDicomDate(record.patientBirthDate, date);
    patients->SetItemText(row, 2, date);
    ++RowCounters.patient;
  }
  // Only the first patient's studies, by the bytes as received.
  if (std::strcmp(record.patientName, CurrentPatientName) == 0) InsertStudyRow(record);
}

void InsertSeriesRow(const SeriesRecord& record) {
  platform::ListView* series = View(&CRequest::SeriesView);
  if (series == nullptr) return;
  const int row = series->InsertItem(RowCounters.series, record.modality,
                                     static_cast<std::uint32_t>(RowCounters.series));
  series->SetItemText(row, 1, record.seriesNumber);
  ++RowCounters.series;
}

void InsertImageRow(const ImageRecord& record) {
  platform::ListView* images = View(&CRequest::ImagesView);
  if (images == nullptr) return;
  images->InsertItem(RowCounters.image, record.instanceNumber,
                     static_cast<std::uint32_t>(RowCounters.image));
  ++RowCounters.image;
}

template <typename Record>
Record* NewRecord() {
  auto* record = static_cast<Record*>(std::calloc(1, sizeof(Record)));
  if (record != nullptr) record->size = sizeof(Record);
  return record;
}

void FillIdentifier(dicom::DataSet& identifier, int level, const char* key1, const char* key2) {
  namespace vr = dicom::vr;
  const auto insert = [&identifier](dicom::Tag tag, dicom::VrCode vr, const char* text) {
    if (text != nullptr) {
      identifier.InsertText(tag, vr, text);
    } else {
      identifier.InsertEmpty(tag, vr);
    }
  };
  switch (level) {
    case kLevelStudy: {
      const auto keyFor = [key1](int type) { return FilterType == type ? key1 : nullptr; };
      identifier.InsertText(kQueryLevel, vr::CS, "STUDY");
      identifier.InsertEmpty(kStudyInstanceUid, vr::UI);
      insert(kPatientName, vr::PN, keyFor(kFilterName));
      insert(kPatientBirthDate, vr::DA, keyFor(kFilterBirthday));
      insert(kStudyDate, vr::DA, keyFor(kFilterCreationDate));
      identifier.InsertEmpty(kPatientId, vr::LO);
      identifier.InsertEmpty(kStudyId, vr::SH);
      break;
    }
    case kLevelSeries:
      identifier.InsertText(kQueryLevel, vr::CS, "SERIES");
      identifier.InsertEmpty(kModality, vr::CS);
      insert(kStudyInstanceUid, vr::UI, key1);
      identifier.InsertEmpty(kSeriesInstanceUid, vr::UI);
      identifier.InsertEmpty(kSeriesNumber, vr::IS);
      break;
    default:
      identifier.InsertText(kQueryLevel, vr::CS, "IMAGE");
      identifier.InsertEmpty(kSopInstanceUid, vr::UI);
      insert(kStudyInstanceUid, vr::UI, key1);
      insert(kSeriesInstanceUid, vr::UI, key2);
      identifier.InsertEmpty(kInstanceNumber, vr::IS);
      break;
  }
}

constexpr unsigned kOneStudyText = 1046;
constexpr unsigned kStudiesText = 1047;
constexpr unsigned kOneSeriesText = 1048;
constexpr unsigned kSeriesText = 1049;
constexpr unsigned kOneImageText = 1050;
constexpr unsigned kImagesText = 1051;

// The second line of the progress dialog: how many responses of the level arrived.
void ShowArrived(int level, int count) {
  unsigned id = count == 1 ? kOneImageText : kImagesText;
  if (level == kLevelStudy) id = count == 1 ? kOneStudyText : kStudiesText;
  if (level == kLevelSeries) id = count == 1 ? kOneSeriesText : kSeriesText;
  char number[kTextBuffer];
  platform::FormatCount(static_cast<unsigned>(count), number, sizeof number);
  std::string text = LoadLocalizedString(id);
  if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, number);
  ShowProgressCount(text.c_str());
}

// What the user's Cancel does to an exchange waiting for its next response. The first press,
// once the archive has answered, asks it to stop (C-CANCEL) and reads on to its final response,
// so that what arrived is kept; before any answer (a silent archive), or at a second press, the
// association is aborted at once.
class CancelOnRequest {
 public:
  // Waits for the next message of the exchange; true to receive it, false once aborted.
  template <typename Scu>
  bool Await(const Scu& scu, dicom::Association& association, bool answered) {
    while (!association.AwaitMessage()) {
      if (!GoOn(scu, association, answered)) return false;
    }
    return true;
  }
  // After an interrupted wait: true when a C-CANCEL went out and the exchange goes on.
  template <typename Scu>
  bool GoOn(const Scu& scu, dicom::Association& association, bool answered) {
    if (!answered || cancelSent_ || CancelPresses > 1) {
      association.Abort();
      return false;
    }
    dicom::ResumeWaits();
    cancelSent_ = true;
    if (scu.SendCancel(association, scu.MessageId())) return true;
    association.Abort();
    return false;
  }
  // After a C-CANCEL any response that is not pending is the last.
  bool Final(std::uint16_t status) const {
    return cancelSent_ && status != dicom::kStatusPending && status != dicom::kStatusPendingWarning;
  }

 private:
  bool cancelSent_ = false;
};

bool ConnectIfNeeded() {
  if (SharedAssociation().StillConnected()) return true;
  const Connection& settings = ConnectionSettings;
  const int result = ConnectToServer(settings.host, settings.port, settings.callingAeTitle,
                                     settings.calledAeTitle);
  if (result == kSuccess) return true;
  if (result != kCancelled && Browser != nullptr) Browser->ReportConnectFailure();
  return false;
}

}  // namespace

void TemporaryFilePath(char* path) {
  const int length = platform::GetTempPath(kTextBuffer, path);
  if (length <= 0 || length >= static_cast<int>(kTextBuffer)) path[0] = '\0';
  std::strncat(path, kTemporaryFile, kTextBuffer - 1 - std::strlen(path));
}

void StudyPatientName(const StudyRecord& record, char* output) {
  FormatPersonName(Shown(record.patientName, record).c_str(), output);
}

void InsertStudyRow(const StudyRecord& record) {
  platform::ListView* studies = View(&CRequest::StudiesView);
  if (studies == nullptr) return;
  const int row = studies->InsertItem(RowCounters.study, Shown(record.studyId, record).c_str(),
                                      static_cast<std::uint32_t>(RowCounters.study));
  char date[kTextBuffer];
  FormatDicomDate(record.studyDate, date);
  studies->SetItemText(row, 1, date);
  ++RowCounters.study;
}

int ConnectToServer(const char* host, const char* port, const char* callingAeTitle,
                    const char* calledAeTitle) {
  CDicomProgressMan progress(kProgressTemplate, nullptr);
  if (QueryBusy == 0) BeginProgressText(kConnectText);
  dicom::Association& association = SharedAssociation();
  if (association.IsConnected()) association.Release();
  association.Flush();
  association.ClearAbstractSyntaxes();
  association.SetCallingTitle(callingAeTitle);
  association.SetCalledTitle(calledAeTitle);
  association.SetApplicationContext(kApplicationContext);
  association.AddAbstractSyntax(dicom::kVerificationSopClass);
  association.AddAbstractSyntax(dicom::kStudyRootFindSopClass);
  association.AddAbstractSyntax(dicom::kStudyRootMoveSopClass);
  char method[16];
  platform::GetProfileString(kProfileSection, kRetrieveMethodKey, "move", method, sizeof method);
  retrieveByGet = std::strcmp(method, "get") == 0;
  if (retrieveByGet) dicom::CGetScu::Propose(association);
  ApplyTlsProfile(association.Socket());
  if (association.Request(host, port) != 0) return kSuccess;
  return UserCancelled() ? kCancelled : kNotAnswered;
}

bool UserCancelled() {
  return CancelPresses > 0;
}

int QueryServer(int level, const char* key1, const char* key2) {
  const dicom::CFindScu find(dicom::kStudyRootFindSopClass);
  dicom::DataSet identifier;
  dicom::DataSet response;
  platform::WaitCursor waiting;
  RowCounters = {};
  if (!ConnectIfNeeded()) return UserCancelled() ? kCancelled : kNotAnswered;
  if (level < kLevelStudy || level > kLevelImage) return kUnknownLevel;
  FillIdentifier(identifier, level, key1, key2);
  dicom::Association& association = SharedAssociation();
  if (!find.SendRequest(association, identifier, dicom::kPriorityMedium)) return kNotSent;
  // Pending, warning and failure responses alike become records; only success ends the query,
  // or, once the user cancelled it, the response that is not pending.
  CancelOnRequest cancel;
  int arrived = 0;
  std::uint16_t status = dicom::kStatusPending;
  while (status != dicom::kStatusSuccess) {
    if (!cancel.Await(find, association, arrived > 0)) return kCancelled;
    if (!find.ReceiveResponse(status, response, association)) {
      return UserCancelled() ? kCancelled : kNotAnswered;
    }
    if (cancel.Final(status)) return kCancelled;
    if (status == dicom::kStatusSuccess) break;
    AddQueryResult(response);
    ShowArrived(level, ++arrived);
  }
  return UserCancelled() ? kCancelled : kSuccess;
}

void AddQueryResult(const dicom::DataSet& identifier) {
  switch (CurrentLevel) {
    case kLevelStudy: {
      StudyRecord* record = NewRecord<StudyRecord>();
      if (record == nullptr) return;
      FillRecord(identifier, kStudyFields, record);
      InsertStudyRows(*record);
      lisAdd(&StudyList, record);
      std::free(record);
      break;
    }
    case kLevelSeries: {
      SeriesRecord* record = NewRecord<SeriesRecord>();
      if (record == nullptr) return;
      FillRecord(identifier, kSeriesFields, record);
      InsertSeriesRow(*record);
      lisAdd(&SeriesList, record);
      std::free(record);
      break;
    }
    case kLevelImage: {
      ImageRecord* record = NewRecord<ImageRecord>();
      if (record == nullptr) return;
      FillRecord(identifier, kImageFields, record);
      InsertImageRow(*record);
      lisAdd(&ImageList, record);
      std::free(record);
      break;
    }
    default:
      break;
  }
}

// Row texts are code page 1252 as the list views hold them, so each record is turned into the
// same display form (its character set decoded, the name formatted) before the bytes are
// compared; a non-ASCII name thus finds the record it came from.
int FindRecordForRow(int kind, const char* text1, const char* text2, char* out1, char* out2) {
  const auto startsWith = [](const char* text, const std::string& field) {
    return std::strncmp(text, field.c_str(), field.size()) == 0;
  };
  if (kind == 0) {
    const std::uint32_t count = StudyList != nullptr ? lisGetElementCount(StudyList) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto* record = static_cast<const StudyRecord*>(lisGetPointerToElement(StudyList, i));
      char name[kTextBuffer];
      StudyPatientName(*record, name);
      if (!startsWith(text1, name) || !startsWith(text2, Shown(record->studyId, *record))) continue;
      std::snprintf(out1, kTextBuffer, "%s", record->studyInstanceUid);
      out2[0] = '\0';
      return 1;
    }
  } else if (kind == 1) {
    const std::uint32_t count = SeriesList != nullptr ? lisGetElementCount(SeriesList) : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto* record = static_cast<const SeriesRecord*>(lisGetPointerToElement(SeriesList, i));
      if (!startsWith(text1, record->modality) || !startsWith(text2, record->seriesNumber)) {
        continue;
      }
      std::snprintf(out1, kTextBuffer, "%s", record->studyInstanceUid);
      std::snprintf(out2, kTextBuffer, "%s", record->seriesInstanceUid);
      return 1;
    }
  }
  return 0;
}

namespace {

// Loads the retrieved file into the display, deletes it and names the image after the selected
// patient; kFileMissing when it is not there.
int LoadRetrievedFile(std::uint16_t display) {
  char path[kTextBuffer];
  TemporaryFilePath(path);
  if (sysExistsPath(path) == 0) return kFileMissing;
  imgLoad(display, path);
  platform::DeleteFile(path);
  char name[kTextBuffer] = "";
  if (platform::ListView* patients = View(&CRequest::PatientsView)) {
    const std::vector<int> selected = patients->SelectedRows();
    if (!selected.empty()) patients->GetItemText(selected.front(), 0, name, sizeof name);
  }
  imgSetName(display, name);
  return kSuccess;
}

// The image comes on the association itself: each C-STORE sub-operation is written to the
// temporary file as the storage receiver writes it, whole and before the answer. The responses
// end with the first that is not pending, whatever its status, as the archive sends nothing after
// it.
int GetAndLoadImage(std::uint16_t display, const dicom::DataSet& identifier) {
  char directory[kTextBuffer];
  const int length = platform::GetTempPath(kTextBuffer, directory);
  if (length <= 0 || length >= static_cast<int>(kTextBuffer)) directory[0] = '\0';
  const dicom::StoredObjectFile files(directory[0] != '\0' ? directory : ".");
  dicom::CGetScu get(dicom::kStudyRootGetSopClass,
                     [&files](const dicom::StoreRequest& request, const dicom::DataSet& object,
                              std::string& outcome) {
                       return files.Write(object, kTemporaryFile, request.sopClassUid,
                                          request.sopInstanceUid, request.syntax, outcome)
                                  ? dicom::kStatusSuccess
                                  : dicom::kStatusOutOfResources;
                     });
  dicom::Association& association = SharedAssociation();
  if (!get.SendRequest(association, identifier, dicom::kPriorityMedium)) return kNotSent;
  CancelOnRequest cancel;
  bool answered = false;
  std::uint16_t status = dicom::kStatusPending;
  while (status == dicom::kStatusPending || status == dicom::kStatusPendingWarning) {
    dicom::DataSet response, command;
    if (get.ReceiveResponse(status, response, command, association)) {
      answered = true;
      continue;
    }
    // A wait between messages that the user interrupted leaves the association standing.
    if (!association.IsConnected() || !dicom::WaitsInterrupted()) {
      return UserCancelled() ? kCancelled : kNotAnswered;
    }
    if (!cancel.GoOn(get, association, answered || get.SubOperations() > 0)) return kCancelled;
  }
  if (UserCancelled()) {
    LoadRetrievedFile(display);
    return kCancelled;
  }
  return status == dicom::kStatusSuccess ? LoadRetrievedFile(display) : kNotAnswered;
}

}  // namespace

int MoveAndLoadImage(std::uint16_t display, const char* sopInstanceUid, const char* studyUid,
                     const char* seriesUid) {
  platform::WaitCursor waiting;
  const dicom::CMoveScu move(dicom::kStudyRootMoveSopClass);
  dicom::DataSet identifier;
  dicom::DataSet response;
  if (!ConnectIfNeeded()) return UserCancelled() ? kCancelled : kNotAnswered;
  if (sopInstanceUid == nullptr || studyUid == nullptr || seriesUid == nullptr) {
    return kMissingParameter;
  }
  CDicomProgressMan progress(kProgressTemplate, nullptr);
  if (QueryBusy == 0) BeginProgressText(kRetrieveText);
  identifier.InsertText(kQueryLevel, dicom::vr::CS, "IMAGE");
  identifier.InsertText(kSopInstanceUid, dicom::vr::UI, sopInstanceUid);
  identifier.InsertText(kStudyInstanceUid, dicom::vr::UI, studyUid);
  identifier.InsertText(kSeriesInstanceUid, dicom::vr::UI, seriesUid);
  if (retrieveByGet) return GetAndLoadImage(display, identifier);
  dicom::Association& association = SharedAssociation();
  if (!move.SendRequest(association, ConnectionSettings.callingAeTitle, identifier,
                        dicom::kPriorityMedium)) {
    return kNotSent;
  }
  int result = kSuccess;
  bool refused = false;
  CancelOnRequest cancel;
  bool answered = false;
  std::uint16_t status = dicom::kStatusPending;
  while (status != dicom::kStatusSuccess) {
    if (!cancel.Await(move, association, answered)) return kCancelled;
    if (!move.ReceiveResponse(status, response, association)) {
      return UserCancelled() ? kCancelled : kNotAnswered;
    }
    answered = true;
    if (cancel.Final(status)) {
      // What the archive sent before it stopped is the user's all the same.
      LoadRetrievedFile(display);
      return kCancelled;
    }
    if (status == dicom::kStatusRefused) {
      // The final success that follows a refusal brought nothing; it only ends the exchange.
      refused = true;
      result = kNotAnswered;
    } else if (status == dicom::kStatusSuccess && !refused) {
      result = LoadRetrievedFile(display);
    }
  }
  return result;
}

}  // namespace plugin
