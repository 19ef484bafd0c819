#pragma once

// Data for the benchmarks. Each data set is built twice from the same elements: once in our model
// and once as a DCMTK data set, so that both sides encode the same bytes.

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcistrmb.h>
#include <dcmtk/dcmdata/dcostrmb.h>
#include <dcmtk/dcmdata/dctk.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataSet.h"
#include "data/TransferSyntax.h"

namespace bench {

constexpr std::uint32_t kMiB = 1024 * 1024;

// Our data set and its DCMTK twin.
struct Twin {
  dicom::DataSet ours;
  std::unique_ptr<DcmDataset> dcmtk = std::make_unique<DcmDataset>();
  bool withDcmtk = true;
  std::uint32_t pixelBytes = 0;
  std::uint32_t overlayBytes = 0;

  void AddText(dicom::Tag tag, dicom::VrCode vr, std::string_view text);
  void AddUS(dicom::Tag tag, std::uint16_t value);
  void AddSS(dicom::Tag tag, std::int16_t first, std::int16_t second);
  // OW filled with a cheap pattern that differs with the seed; bytes must be even.
  void AddWords(dicom::Tag tag, std::uint32_t bytes, std::uint16_t seed);
};

// The big object of every benchmark: 32 MiB of pixel data and a 32 MiB overlay plane, since no
// single value may pass our decoder's 40,000,000-byte limit. About 64 MiB in all.
constexpr std::uint32_t kBigPixelBytes = 32 * kMiB;
constexpr std::uint32_t kBigOverlayBytes = 32 * kMiB;

// A few image header elements and one OW pixel data value of that many bytes; with overlay bytes,
// also one overlay plane of 1-bit samples and its OW overlay data.
void BuildImage(Twin& twin, std::uint32_t pixelBytes, std::uint32_t overlayBytes = 0);
// Text elements of 8 to 16 characters: standard tags with short text VRs first (those on which
// both dictionaries agree), then private blocks with their creators in odd groups.
void BuildTexts(Twin& twin, std::size_t count);
// Our side only, for the file benchmarks: DCMTK reads the files we write.
dicom::DataSet MakeImage(std::uint32_t pixelBytes, std::uint32_t overlayBytes = 0);
// A multi-frame image of 512 x 512 frames whose one pixel data value holds the pixel bytes (rounded
// down to whole frames): the large objects that no single frame reaches.
dicom::DataSet MakeMultiFrame(std::uint32_t pixelBytes);

std::vector<std::uint8_t> EncodeOurs(const dicom::DataSet& dataSet, dicom::TransferSyntax syntax);
std::vector<std::uint8_t> EncodeDcmtk(DcmDataset& dataSet, E_TransferSyntax syntax);

E_TransferSyntax ToDcmtk(dicom::TransferSyntax syntax);
std::string SyntaxName(dicom::TransferSyntax syntax);

constexpr std::string_view kSecondaryCapture = "1.2.840.10008.5.1.4.1.1.7";
constexpr std::string_view kMultiFrameCapture = "1.2.840.10008.5.1.4.1.1.7.3";  // grayscale word

// Writes an Explicit VR Little Endian file; false on failure.
bool WriteFile(const std::string& path, const dicom::DataSet& dataSet, std::string_view sopInstance,
               std::string_view sopClass = kSecondaryCapture);
// The same with our SOP instance UID in the data set too, as a store sends it.
bool WriteObject(const std::string& path, dicom::DataSet dataSet, std::string_view sopInstance,
                 std::string_view sopClass = kSecondaryCapture);

// Keeps DCMTK quiet and loads its dictionary, so that neither shows up in a measurement.
void InitDcmtk();

}  // namespace bench
