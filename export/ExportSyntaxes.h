#pragma once

#include <array>
#include <string_view>

namespace dicom {

// What the image export proposes, in this order, each with implicit VR little-endian only:
// verification, the study root query, and the eight image storage classes it can send.
inline constexpr std::array<std::string_view, 10> kExportAbstractSyntaxes = {
    "1.2.840.10008.1.1",             // Verification
    "1.2.840.10008.5.1.4.1.2.2.1",   // Study Root Query/Retrieve FIND
    "1.2.840.10008.5.1.4.1.1.1",     // Computed Radiography Image Storage
    "1.2.840.10008.5.1.4.1.1.2",     // CT Image Storage
    "1.2.840.10008.5.1.4.1.1.4",     // MR Image Storage
    "1.2.840.10008.5.1.4.1.1.20",    // Nuclear Medicine Image Storage
    "1.2.840.10008.5.1.4.1.1.6.1",   // Ultrasound Image Storage
    "1.2.840.10008.5.1.4.1.1.7",     // Secondary Capture Image Storage
    "1.2.840.10008.5.1.4.1.1.12.1",  // X-Ray Angiographic Image Storage
    "1.2.840.10008.5.1.4.1.1.12.2",  // X-Ray Radiofluoroscopic Image Storage
};

}  // namespace dicom
