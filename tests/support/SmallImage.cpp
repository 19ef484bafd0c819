#include "support/SmallImage.h"

#include <memory>

#include "data/DataDictionary.h"
#include "data/DicomFile.h"

namespace testing_support {

bool WriteSmallImage(dicom::DataSet object, const std::string& path) {
  using namespace dicom;
  object.InsertUS(0x00280002, 1);
  object.InsertText(0x00280004, vr::CS, "MONOCHROME2");
  object.InsertUS(0x00280010, 8);
  object.InsertUS(0x00280011, 8);
  object.InsertUS(0x00280100, 8);
  object.InsertUS(0x00280101, 8);
  object.InsertUS(0x00280102, 7);
  object.InsertUS(0x00280103, 0);
  auto pixels = std::make_unique<std::uint8_t[]>(64);
  for (int i = 0; i < 64; ++i)
    pixels[i] = static_cast<std::uint8_t>(i * 4);
  object.InsertRaw(0x7FE00010, vr::OB, 64, std::move(pixels));
  DicomFile file(object.GetText(0x00080016, vr::UI), object.GetText(0x00080018, vr::UI),
                 ExplicitLittleEndian);
  file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
  return file.is_open() && file.Write(object);
}

bool WriteSmallImage(const std::string& path,
                     const std::vector<std::pair<dicom::Tag, std::string>>& elements) {
  dicom::DataSet object;
  for (const auto& [tag, value] : elements) {
    dicom::VrCode vr = dicom::vr::UN;
    dicom::DataDictionary::Instance().Lookup(tag, vr);
    object.InsertText(tag, vr, value);
  }
  return WriteSmallImage(std::move(object), path);
}

}  // namespace testing_support
