#pragma once

#include <string>
#include <utility>
#include <vector>

#include "data/DataSet.h"

namespace testing_support {

// Adds an 8 x 8 picture (a grey ramp of 8 bits) to the object and writes it as a stored file with
// a meta header, in explicit VR little-endian, under the object's SOP class and instance. False
// when the file could not be written.
bool WriteSmallImage(dicom::DataSet object, const std::string& path);
// The same, of these text elements with their dictionary VR.
bool WriteSmallImage(const std::string& path,
                     const std::vector<std::pair<dicom::Tag, std::string>>& elements);

}  // namespace testing_support
