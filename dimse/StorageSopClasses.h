#pragma once

#include <array>
#include <string_view>

namespace dicom {

// The image storage classes a retrieve on the association can bring: the eight the image export
// sends and the other common image classes of today's modalities. With the query/retrieve
// contexts they stay well below the 128 contexts an association can carry.
inline constexpr std::array<std::string_view, 43> kImageStorageSopClasses = {
    "1.2.840.10008.5.1.4.1.1.1",         // Computed Radiography
    "1.2.840.10008.5.1.4.1.1.1.1",       // Digital X-Ray, for presentation
    "1.2.840.10008.5.1.4.1.1.1.1.1",     // Digital X-Ray, for processing
    "1.2.840.10008.5.1.4.1.1.1.2",       // Digital Mammography X-Ray, for presentation
    "1.2.840.10008.5.1.4.1.1.1.2.1",     // Digital Mammography X-Ray, for processing
    "1.2.840.10008.5.1.4.1.1.1.3",       // Digital Intra-Oral X-Ray, for presentation
    "1.2.840.10008.5.1.4.1.1.1.3.1",     // Digital Intra-Oral X-Ray, for processing
    "1.2.840.10008.5.1.4.1.1.2",         // CT
    "1.2.840.10008.5.1.4.1.1.2.1",       // Enhanced CT
    "1.2.840.10008.5.1.4.1.1.2.2",       // Legacy Converted Enhanced CT
    "1.2.840.10008.5.1.4.1.1.3.1",       // Ultrasound Multi-frame
    "1.2.840.10008.5.1.4.1.1.4",         // MR
    "1.2.840.10008.5.1.4.1.1.4.1",       // Enhanced MR
    "1.2.840.10008.5.1.4.1.1.4.3",       // Enhanced MR Color
    "1.2.840.10008.5.1.4.1.1.4.4",       // Legacy Converted Enhanced MR
    "1.2.840.10008.5.1.4.1.1.6.1",       // Ultrasound
    "1.2.840.10008.5.1.4.1.1.6.2",       // Enhanced US Volume
    "1.2.840.10008.5.1.4.1.1.7",         // Secondary Capture
    "1.2.840.10008.5.1.4.1.1.7.1",       // Multi-frame Single Bit Secondary Capture
    "1.2.840.10008.5.1.4.1.1.7.2",       // Multi-frame Grayscale Byte Secondary Capture
    "1.2.840.10008.5.1.4.1.1.7.3",       // Multi-frame Grayscale Word Secondary Capture
    "1.2.840.10008.5.1.4.1.1.7.4",       // Multi-frame True Color Secondary Capture
    "1.2.840.10008.5.1.4.1.1.12.1",      // X-Ray Angiographic
    "1.2.840.10008.5.1.4.1.1.12.1.1",    // Enhanced XA
    "1.2.840.10008.5.1.4.1.1.12.2",      // X-Ray Radiofluoroscopic
    "1.2.840.10008.5.1.4.1.1.12.2.1",    // Enhanced XRF
    "1.2.840.10008.5.1.4.1.1.13.1.1",    // X-Ray 3D Angiographic
    "1.2.840.10008.5.1.4.1.1.13.1.2",    // X-Ray 3D Craniofacial
    "1.2.840.10008.5.1.4.1.1.13.1.3",    // Breast Tomosynthesis
    "1.2.840.10008.5.1.4.1.1.20",        // Nuclear Medicine
    "1.2.840.10008.5.1.4.1.1.77.1.1",    // VL Endoscopic
    "1.2.840.10008.5.1.4.1.1.77.1.1.1",  // Video Endoscopic
    "1.2.840.10008.5.1.4.1.1.77.1.2",    // VL Microscopic
    "1.2.840.10008.5.1.4.1.1.77.1.3",    // VL Slide-Coordinates Microscopic
    "1.2.840.10008.5.1.4.1.1.77.1.4",    // VL Photographic
    "1.2.840.10008.5.1.4.1.1.77.1.5.1",  // Ophthalmic Photography 8 Bit
    "1.2.840.10008.5.1.4.1.1.77.1.5.2",  // Ophthalmic Photography 16 Bit
    "1.2.840.10008.5.1.4.1.1.77.1.5.4",  // Ophthalmic Tomography
    "1.2.840.10008.5.1.4.1.1.77.1.6",    // VL Whole Slide Microscopy
    "1.2.840.10008.5.1.4.1.1.128",       // Positron Emission Tomography
    "1.2.840.10008.5.1.4.1.1.128.1",     // Legacy Converted Enhanced PET
    "1.2.840.10008.5.1.4.1.1.130",       // Enhanced PET
    "1.2.840.10008.5.1.4.1.1.481.1",     // RT Image
};

}  // namespace dicom
