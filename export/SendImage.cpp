#include "export/SendImage.h"

#include <cstring>
#include <optional>
#include <string>

#include "codecs/NativePixels.h"
#include "data/DicomFile.h"
#include "data/FileValueSource.h"
#include "dimse/CFindScu.h"
#include "dimse/CStoreScu.h"
#include "dimse/CommandTags.h"
#include "export/ExportSyntaxes.h"
#include "host/DicomProgressMan.h"
#include "host/Language.h"
#include "host/Module.h"
#include "host/TlsProfile.h"
#include "net/Association.h"

namespace {

constexpr const char* kApplicationContext = "1.2.840.10008.3.1.1.1";
constexpr unsigned kTransferText = 1043;

constexpr dicom::Tag kSopClassUid = 0x00080016;
constexpr dicom::Tag kSopInstanceUid = 0x00080018;
constexpr dicom::Tag kQueryLevel = 0x00080052;
constexpr dicom::Tag kStudyInstanceUid = 0x0020000D;
constexpr dicom::Tag kSeriesInstanceUid = 0x0020000E;
constexpr dicom::Tag kInstanceNumber = 0x00200013;

constexpr int kStored = 0;
constexpr int kNotRead = -1;
constexpr int kNoAnswer = -2;
constexpr int kStoreNotSent = -3;
constexpr int kStoreNotAnswered = -4;
constexpr int kDuplicate = -5;

// A value's bytes as the archive or the file holds them, up to its length or a NUL, whichever
// comes first; padding spaces stay.
std::string StoredText(const dicom::DataSet& dataSet, dicom::Tag tag) {
  const dicom::ValuePtr value = dataSet.GetValue(tag);
  if (!value || value->Data() == nullptr || value->Length() == dicom::kUndefinedLength) return {};
  const auto* bytes = reinterpret_cast<const char*>(value->Data());
  return std::string(bytes, strnlen(bytes, value->Length()));
}

// Asks the archive for images of the file's series and answers whether one has the file's
// Instance Number: kDuplicate, kNoAnswer when a response did not arrive (the store goes on then),
// kNotRead when the query could not be sent, else kStored.
int CheckDuplicate(dicom::Association& association, const dicom::DataSet& object) {
  const dicom::CFindScu find(dicom::kStudyRootFindSopClass);
  dicom::DataSet identifier;
  identifier.InsertText(kQueryLevel, dicom::vr::CS, "IMAGE");
  identifier.InsertEmpty(kSopInstanceUid, dicom::vr::UI);
  const std::string study = StoredText(object, kStudyInstanceUid);
  const std::string series = StoredText(object, kSeriesInstanceUid);
  identifier.InsertText(kStudyInstanceUid, dicom::vr::UI, study);
  identifier.InsertText(kSeriesInstanceUid, dicom::vr::UI, series);
  identifier.InsertEmpty(kInstanceNumber, dicom::vr::IS);
  if (!find.SendRequest(association, identifier, dicom::kPriorityMedium)) return kNotRead;

  // A file without these values still sends its (empty, so universal) keys, but then no answer
  // identifies it: an empty Instance Number would equal every cut-off value.
  const std::string number = StoredText(object, kInstanceNumber);
  const bool comparable = !number.empty() && !study.empty() && !series.empty();
  int result = kStored;
  std::uint16_t status = dicom::kStatusPending;
  dicom::DataSet received;
  while (status != dicom::kStatusSuccess) {
    if (!find.ReceiveResponse(status, received, association)) return kNoAnswer;
    if (status != dicom::kStatusSuccess && comparable && received.Contains(kInstanceNumber) &&
        StoredText(received, kInstanceNumber).substr(0, number.size()) == number) {
      result = kDuplicate;
    }
  }
  return result;
}

// Sends the object and waits for the final response; a warning or failure status is read on,
// so it ends with the archive's release, abort or the receive time-out.
int Store(dicom::Association& association, const dicom::DataSet& object) {
  const dicom::CStoreScu store(object.GetText(kSopClassUid, dicom::vr::UI));
  if (!store.SendRequest(association, object.GetText(kSopInstanceUid, dicom::vr::UI), object,
                         dicom::kPriorityMedium)) {
    return kStoreNotSent;
  }
  std::uint16_t status = dicom::kStatusPending;
  dicom::DataSet response;
  while (status != dicom::kStatusSuccess) {
    if (!store.ReceiveResponse(status, response, association)) return kStoreNotAnswered;
  }
  return kStored;
}

// The association offers implicit VR little-endian only, so compressed pixel data goes decoded,
// Lossy Image Compression as it was. False when it does not decode.
bool Uncompressed(const dicom::DicomFile& file, dicom::DataSet& object) {
  if (!file.HasMetaHeader() || !dicom::IsEncapsulated(file.Header().Syntax())) return true;
  dicom::DataSet native;
  if (!dicom::codecs::DecompressPixelData(object, file.Header().SyntaxUid(), native).Ok())
    return false;
  object = std::move(native);
  return true;
}

}  // namespace

namespace plugin {

int SendImage(const char* filePath, const char* host, const char* port, const char* callingAeTitle,
              const char* calledAeTitle, int checkDuplicate) {
  dicom::Association association;
  QueryHostLanguage();
  QueryBusy = 0;
  std::optional<CDicomProgressMan> progress(std::in_place, kProgressTemplate, nullptr);
  BeginProgressText(kTransferText);

  association.Flush();
  association.ClearAbstractSyntaxes();
  association.SetCallingTitle(callingAeTitle != nullptr ? callingAeTitle : "");
  association.SetCalledTitle(calledAeTitle != nullptr ? calledAeTitle : "");
  association.SetApplicationContext(kApplicationContext);
  for (const std::string_view uid : dicom::kExportAbstractSyntaxes) {
    association.AddAbstractSyntax(uid);
  }
  ApplyTlsProfile(association.Socket());
  if (host == nullptr || port == nullptr || !association.Request(host, port)) return kNoAnswer;

  // The file is read only once the archive has taken the association.
  // Large values stay in the file and go from it to the archive piece by piece.
  dicom::DicomFile file;
  if (filePath != nullptr) {
    file.open(filePath, std::ios::in | std::ios::binary);
    file.DeferValues(dicom::FileValueSource::Open(filePath), dicom::kLeftInFileFrom);
  }
  dicom::DataSet object;
  int result = kStored;
  if (!file.is_open() || !file.Read(object) || !Uncompressed(file, object)) {
    result = kNotRead;
  } else {
    if (checkDuplicate != 0) {
      result = CheckDuplicate(association, object);
      // The association is released as the call returns.
      if (result == kNotRead || result == kDuplicate) return result;
      // The user's Cancel aborted the association: nothing is stored.
      if (CancelPresses > 0) return result;
    }
    const int stored = Store(association, object);
    if (stored != kStored) result = stored;
  }
  association.Release();
  progress.reset();
  return result;
}

}  // namespace plugin
