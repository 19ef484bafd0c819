#pragma once

// What the tool tests share: command lines, small objects written by our writer, and objects read
// back with their transfer syntax.

#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "data/DataSet.h"
#include "data/DicomFile.h"
#include "support/PduFixtures.h"
#include "support/Programs.h"

namespace testing_support {

using Args = std::vector<std::string>;

inline Args operator+(Args left, const Args& right) {
  left.insert(left.end(), right.begin(), right.end());
  return left;
}

inline CommandResult Dicomnet(const Args& args) {
  return RunProgram(Args{DICOMNET_BIN} + args);
}

// A requestor's A-ASSOCIATE-RQ proposing the abstract syntax in implicit VR little endian.
inline std::string AssociateRequest(std::string_view abstractSyntax) {
  return Pdu(0x01, AssociateBody(Item(0x20, "01 00 00 00" + Item(0x30, AsciiHex(abstractSyntax)) +
                                                Item(0x40, ImplicitSyntax())) +
                                 UserInformation()));
}

// An object of the class and UID with these text elements, in the syntax given.
inline bool WriteObject(
    const std::string& path, const std::string& sopClass, const std::string& uid,
    dicom::TransferSyntax syntax,
    const std::vector<std::tuple<dicom::Tag, dicom::VrCode, std::string>>& texts) {
  dicom::DataSet ds;
  ds.InsertText(0x00080016, dicom::vr::UI, sopClass);
  ds.InsertText(0x00080018, dicom::vr::UI, uid);
  for (const auto& [tag, vr, value] : texts)
    ds.InsertText(tag, vr, value);
  dicom::DicomFile file(sopClass, uid, syntax);
  file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
  return file.Write(ds);
}

struct ReadBack {
  bool read = false;
  std::string syntax;
  dicom::DataSet object;
};

inline ReadBack ReadObject(const std::string& path) {
  dicom::DicomFile file;
  file.open(path, std::ios::in | std::ios::binary);
  ReadBack back;
  back.read = file.Read(back.object);
  back.syntax = file.Header().SyntaxUid();
  return back;
}

// The names of the files in a directory, as the receivers and storescp name them.
inline std::set<std::string> Names(const std::string& directory) {
  std::set<std::string> names;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(directory))
    names.insert(entry.path().filename().string());
  return names;
}

}  // namespace testing_support
