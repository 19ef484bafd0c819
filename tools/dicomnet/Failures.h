#pragma once

#include <string>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "net/Association.h"
#include "tools/dicomnet/NetworkOptions.h"

namespace dicomnet {

// Why the association with the peer of the options was not set up, or why it ended before the
// exchange did, in words: from what the association and its socket keep.
std::string AssociationFailure(const dicom::Association& association,
                               const NetworkOptions& options);

// Why TLS with the peer failed, in words, from what the socket keeps.
std::string TlsFailureText(const dicom::TcpSocket& socket, const std::string& peer);

// Opens and reads a stored object. On failure `why` says what went wrong: the file cannot be
// opened, is not DICOM, ends inside an element, or at which element its decoding failed; the data
// set then holds what was read before the failure. With `leaveInFile`, large values stay in the
// file until they are written (see DicomFile::DeferValues).
bool ReadObject(const std::string& path, dicom::DicomFile& file, dicom::DataSet& object,
                std::string& why, bool leaveInFile = false);

}  // namespace dicomnet
