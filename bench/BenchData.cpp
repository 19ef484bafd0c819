#include "bench/BenchData.h"

#include <dcmtk/oflog/oflog.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/DataDictionary.h"
#include "data/DicomFile.h"
#include "data/StreamCodec.h"
#include "net/MemoryByteStream.h"

namespace bench {
namespace {

DcmTagKey Key(dicom::Tag tag) {
  return DcmTagKey(dicom::TagGroup(tag), dicom::TagElement(tag));
}

std::string VrName(dicom::VrCode vr) {
  return {dicom::VrFirst(vr), dicom::VrSecond(vr)};
}

DcmElement* NewDcmtkElement(dicom::Tag tag, dicom::VrCode vr) {
  DcmElement* element = nullptr;
  const DcmVR dcmVr(VrName(vr).c_str());
  if (DcmItem::newDicomElementWithVR(element, DcmTag(Key(tag), dcmVr)).bad() || !element) {
    std::fprintf(stderr, "DCMTK cannot create %08X %s\n", tag, VrName(vr).c_str());
    std::abort();
  }
  return element;
}

void InsertDcmtk(DcmDataset& dataSet, DcmElement* element) {
  if (dataSet.insert(element, true).bad()) {
    std::fprintf(stderr, "DCMTK cannot insert an element\n");
    std::abort();
  }
}

// Digits only, so that the text suits every short text VR.
std::string TextValue(std::size_t i) {
  std::string text(8 + 2 * (i % 5), '0');
  for (std::size_t k = 0; k < text.size(); ++k)
    text[k] = static_cast<char>('1' + (i + k) % 9);
  return text;
}

bool ShortText(dicom::VrCode vr) {
  using namespace dicom::vr;
  return vr == AE || vr == CS || vr == DS || vr == LO || vr == PN || vr == SH || vr == UI;
}

}  // namespace

void BuildImage(Twin& twin, std::uint32_t pixelBytes, std::uint32_t overlayBytes) {
  using namespace dicom;
  const std::uint16_t columns = pixelBytes >= 4 * kMiB ? 4096 : 512;
  const auto rows = static_cast<std::uint16_t>(pixelBytes / 2 / columns);
  twin.AddText(0x00080016, vr::UI, kSecondaryCapture);
  twin.AddText(0x00080018, vr::UI, "1.2.826.0.1.3680043.9.7433.1.1");
  twin.AddText(0x00080020, vr::DA, "20240101");
  twin.AddText(0x00080060, vr::CS, "OT");
  twin.AddText(0x00100010, vr::PN, "BENCH^PIXELS");
  twin.AddText(0x00100020, vr::LO, "12345678");
  twin.AddText(0x0020000D, vr::UI, "1.2.826.0.1.3680043.9.7433.1.2");
  twin.AddText(0x0020000E, vr::UI, "1.2.826.0.1.3680043.9.7433.1.3");
  twin.AddUS(0x00280002, 1);
  twin.AddText(0x00280004, vr::CS, "MONOCHROME2");
  twin.AddUS(0x00280010, rows);
  twin.AddUS(0x00280011, columns);
  twin.AddUS(0x00280100, 16);
  twin.AddUS(0x00280101, 12);
  twin.AddUS(0x00280102, 11);
  twin.AddUS(0x00280103, 0);
  if (overlayBytes > 0) {
    // A square plane, as near as the size allows: 16384 x 16384 bits for 32 MiB.
    std::uint32_t side = 1;
    while (std::uint64_t{side} * 2 * side * 2 <= std::uint64_t{overlayBytes} * 8)
      side *= 2;
    const auto edge = static_cast<std::uint16_t>(std::min<std::uint32_t>(side, 0xFFFF));
    twin.AddUS(0x60000010, edge);
    twin.AddUS(0x60000011, edge);
    twin.AddText(0x60000040, vr::CS, "G");
    twin.AddSS(0x60000050, 1, 1);
    twin.AddUS(0x60000100, 1);
    twin.AddUS(0x60000102, 0);
    twin.AddWords(kOverlayDataTag, overlayBytes, 0x5A5A);
  }
  twin.AddWords(kPixelDataTag, pixelBytes, 0);
}

void Twin::AddText(dicom::Tag tag, dicom::VrCode vr, std::string_view text) {
  ours.InsertText(tag, vr, text);
  if (!withDcmtk) return;
  DcmElement* element = NewDcmtkElement(tag, vr);
  element->putString(std::string(text).c_str(), static_cast<Uint32>(text.size()));
  InsertDcmtk(*dcmtk, element);
}

void Twin::AddUS(dicom::Tag tag, std::uint16_t value) {
  ours.InsertUS(tag, value);
  if (!withDcmtk) return;
  DcmElement* element = NewDcmtkElement(tag, dicom::vr::US);
  element->putUint16(value);
  InsertDcmtk(*dcmtk, element);
}

void Twin::AddSS(dicom::Tag tag, std::int16_t first, std::int16_t second) {
  auto data = std::make_unique<std::uint8_t[]>(4);
  std::memcpy(data.get(), &first, 2);
  std::memcpy(data.get() + 2, &second, 2);
  ours.InsertRaw(tag, dicom::vr::SS, 4, std::move(data));
  if (!withDcmtk) return;
  DcmElement* element = NewDcmtkElement(tag, dicom::vr::SS);
  element->putSint16(first, 0);
  element->putSint16(second, 1);
  InsertDcmtk(*dcmtk, element);
}

void Twin::AddWords(dicom::Tag tag, std::uint32_t bytes, std::uint16_t seed) {
  (tag == dicom::kPixelDataTag ? pixelBytes : overlayBytes) = bytes;
  auto data = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
  std::uint16_t sample = seed;
  for (std::uint32_t i = 0; i + 1 < bytes; i += 2, sample = (sample + 7) & 0x0FFF)
    std::memcpy(data.get() + i, &sample, 2);
  if (withDcmtk) {
    DcmElement* element = NewDcmtkElement(tag, dicom::vr::OW);
    element->putUint16Array(reinterpret_cast<const Uint16*>(data.get()), bytes / 2);
    InsertDcmtk(*dcmtk, element);
  }
  ours.InsertRaw(tag, dicom::vr::OW, bytes, std::move(data));
}

void BuildTexts(Twin& twin, std::size_t count) {
  using namespace dicom;
  std::size_t added = 0;
  // A quarter from the dictionary, where both agree on the VR.
  for (const DictionaryEntry& entry :
       DataDictionary::Instance().Entries(DataDictionary::Map::Main)) {
    if (added >= count / 4) break;
    if (TagGroup(entry.tag) < 0x0008 || entry.tag == 0x00080005 || !ShortText(entry.vr)) continue;
    if (VrName(entry.vr) != DcmTag(Key(entry.tag)).getVRName()) continue;
    twin.AddText(entry.tag, entry.vr, TextValue(added));
    ++added;
  }
  // The rest in private blocks of 256 behind their creators.
  constexpr VrCode kPrivateVrs[] = {vr::LO, vr::SH, vr::CS, vr::DS};
  for (std::uint16_t group = 0x0009; added < count; group += 2) {
    for (std::uint16_t block = 0x10; block <= 0xFF && added < count; ++block) {
      twin.AddText(MakeTag(group, block), vr::LO, "BENCHCREATOR");
      ++added;
      for (std::uint16_t element = 0; element < 0x100 && added < count; ++element) {
        const auto tag = MakeTag(group, static_cast<std::uint16_t>((block << 8) | element));
        twin.AddText(tag, kPrivateVrs[added % 4], TextValue(added));
        ++added;
      }
    }
  }
}

dicom::DataSet MakeImage(std::uint32_t pixelBytes, std::uint32_t overlayBytes) {
  Twin twin;
  twin.withDcmtk = false;
  BuildImage(twin, pixelBytes, overlayBytes);
  return std::move(twin.ours);
}

dicom::DataSet MakeMultiFrame(std::uint32_t pixelBytes) {
  using namespace dicom;
  constexpr std::uint16_t kEdge = 512;
  constexpr std::uint32_t kFrameBytes = kEdge * kEdge * 2;
  const std::uint32_t frames = pixelBytes / kFrameBytes;
  DataSet image;
  for (const auto& [tag, value] : MakeImage(frames * kFrameBytes)) {
    if (tag != 0x00080016 && tag != 0x00280010 && tag != 0x00280011) image.Insert(tag, value);
  }
  image.InsertText(0x00080016, vr::UI, kMultiFrameCapture);
  image.InsertText(0x00280008, vr::IS, std::to_string(frames));
  image.InsertUS(0x00280010, kEdge);
  image.InsertUS(0x00280011, kEdge);
  return image;
}

std::vector<std::uint8_t> EncodeOurs(const dicom::DataSet& dataSet, dicom::TransferSyntax syntax) {
  dicom::MemoryByteStream stream;
  dicom::StreamCodec codec(stream, syntax);
  codec.WriteDataSet(dataSet);
  stream.Flush();
  if (codec.Status() != dicom::CodecStatus::Good) {
    std::fprintf(stderr, "our encoder failed: %s\n", dicom::Describe(codec.Status()).data());
    std::abort();
  }
  return stream.TakeOutput();
}

std::vector<std::uint8_t> EncodeDcmtk(DcmDataset& dataSet, E_TransferSyntax syntax) {
  std::vector<std::uint8_t> encoded;
  std::vector<std::uint8_t> buffer(kMiB);
  DcmOutputBufferStream stream(buffer.data(), static_cast<offile_off_t>(buffer.size()));
  dataSet.transferInit();
  OFCondition status = EC_StreamNotifyClient;
  while (status == EC_StreamNotifyClient) {
    status = dataSet.write(stream, syntax, EET_ExplicitLength, nullptr, EGL_withoutGL,
                           EPD_withoutPadding);
    void* filled = nullptr;
    offile_off_t length = 0;
    stream.flushBuffer(filled, length);
    const auto* bytes = static_cast<const std::uint8_t*>(filled);
    encoded.insert(encoded.end(), bytes, bytes + length);
  }
  dataSet.transferEnd();
  if (status.bad()) {
    std::fprintf(stderr, "DCMTK encoder failed: %s\n", status.text());
    std::abort();
  }
  return encoded;
}

E_TransferSyntax ToDcmtk(dicom::TransferSyntax syntax) {
  switch (syntax) {
    case dicom::ImplicitLittleEndian:
      return EXS_LittleEndianImplicit;
    case dicom::ExplicitLittleEndian:
      return EXS_LittleEndianExplicit;
    case dicom::ExplicitBigEndian:
      return EXS_BigEndianExplicit;
    default:
      return EXS_Unknown;
  }
}

std::string SyntaxName(dicom::TransferSyntax syntax) {
  switch (syntax) {
    case dicom::ImplicitLittleEndian:
      return "implicit_le";
    case dicom::ExplicitLittleEndian:
      return "explicit_le";
    case dicom::ExplicitBigEndian:
      return "explicit_be";
    default:
      return "unknown";
  }
}

bool WriteFile(const std::string& path, const dicom::DataSet& dataSet, std::string_view sopInstance,
               std::string_view sopClass) {
  dicom::DicomFile file(sopClass, sopInstance, dicom::ExplicitLittleEndian);
  file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!file.is_open()) return false;
  const bool written = file.Write(dataSet);
  file.close();
  return written && !file.fail();
}

bool WriteObject(const std::string& path, dicom::DataSet dataSet, std::string_view sopInstance,
                 std::string_view sopClass) {
  dicom::DataSet object;
  for (const auto& [tag, value] : dataSet) {
    if (tag != 0x00080018) object.Insert(tag, value);
  }
  object.InsertText(0x00080018, dicom::vr::UI, sopInstance);
  return WriteFile(path, object, sopInstance, sopClass);
}

void InitDcmtk() {
  OFLog::configure(OFLogger::ERROR_LOG_LEVEL);
  if (!dcmDataDict.isDictionaryLoaded()) {
    std::fprintf(stderr, "DCMTK found no data dictionary (DCMDICTPATH?)\n");
    std::abort();
  }
  dcmDataDict.rdlock();
  dcmDataDict.rdunlock();
}

}  // namespace bench
