#pragma once

#include <cstdint>

#include "data/Tag.h"

namespace dicom {

// Command elements that this system writes or reads.
constexpr Tag kAffectedSopClassUidTag = 0x00000002;
constexpr Tag kCommandFieldTag = 0x00000100;
constexpr Tag kMessageIdTag = 0x00000110;
constexpr Tag kMessageIdBeingRespondedToTag = 0x00000120;
constexpr Tag kMoveDestinationTag = 0x00000600;
constexpr Tag kPriorityTag = 0x00000700;
constexpr Tag kDataSetTypeTag = 0x00000800;
constexpr Tag kStatusTag = 0x00000900;
constexpr Tag kAffectedSopInstanceUidTag = 0x00001000;
constexpr Tag kRemainingSubOperationsTag = 0x00001020;
constexpr Tag kCompletedSubOperationsTag = 0x00001021;
constexpr Tag kFailedSubOperationsTag = 0x00001022;
constexpr Tag kWarningSubOperationsTag = 0x00001023;

// Every request announces a data set; a response with 0x0101 has none.
constexpr std::uint16_t kDataSetPresent = 0x0102;
constexpr std::uint16_t kNoDataSet = 0x0101;

constexpr std::uint16_t kPriorityMedium = 0x0000;

// Status words as the callers act on them.
constexpr std::uint16_t kStatusSuccess = 0x0000;
constexpr std::uint16_t kStatusPending = 0xFF00;
constexpr std::uint16_t kStatusPendingWarning = 0xFF01;
// A refusal (SOP class not supported); the retrieve records it and reads the responses on.
constexpr std::uint16_t kStatusRefused = 0x0122;
// The final response of an operation that a C-CANCEL-RQ stopped.
constexpr std::uint16_t kStatusCancelled = 0xFE00;
// A C-MOVE whose destination the archive does not know.
constexpr std::uint16_t kStatusMoveDestinationUnknown = 0xA801;
// The failures a storage provider answers with.
constexpr std::uint16_t kStatusOutOfResources = 0xA700;
constexpr std::uint16_t kStatusCannotUnderstand = 0xC000;

// Command fields of the requests a storage provider serves.
constexpr std::uint16_t kCStoreRq = 0x0001;
constexpr std::uint16_t kCEchoRq = 0x0030;
// C-GET: the request, and the responses between which the C-STORE sub-operations arrive.
constexpr std::uint16_t kCGetRq = 0x0010;
constexpr std::uint16_t kCGetRsp = 0x8010;

// The SOP classes of the query/retrieve services.
inline constexpr const char* kVerificationSopClass = "1.2.840.10008.1.1";
inline constexpr const char* kStudyRootFindSopClass = "1.2.840.10008.5.1.4.1.2.2.1";
inline constexpr const char* kStudyRootMoveSopClass = "1.2.840.10008.5.1.4.1.2.2.2";
inline constexpr const char* kStudyRootGetSopClass = "1.2.840.10008.5.1.4.1.2.2.3";

}  // namespace dicom
