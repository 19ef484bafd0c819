#include "data/FileMetaHeader.h"

#include <cstring>

#include "data/FileDataSetCodec.h"

namespace dicom {
namespace {

constexpr char kMagic[4] = {'D', 'I', 'C', 'M'};
constexpr Tag kMetaGroupLengthTag = 0x00020000;
constexpr Tag kTransferSyntaxUidTag = 0x00020010;

}  // namespace

FileMetaHeader::FileMetaHeader(std::string_view sopClassUid, std::string_view sopInstanceUid,
                               TransferSyntax syntax)
    : syntax_(syntax) {
  auto version = std::make_unique<std::uint8_t[]>(2);
  version[1] = 0x01;
  meta_.InsertRaw(0x00020001, vr::OB, 2, std::move(version));
  meta_.InsertText(0x00020002, vr::UI, sopClassUid);
  meta_.InsertText(0x00020003, vr::UI, sopInstanceUid);
  meta_.InsertText(kTransferSyntaxUidTag, vr::UI, TransferSyntaxUid(syntax));
  meta_.InsertText(0x00020012, vr::UI, kImplementationClassUid);
  meta_.InsertText(0x00020013, vr::SH, kImplementationVersionName);
}

bool FileMetaHeader::Read(std::istream& in) {
  in.seekg(0);
  char magic[4];
  in.read(reinterpret_cast<char*>(preamble_.data()), preamble_.size());
  in.read(magic, sizeof magic);
  if (!in || std::memcmp(magic, kMagic, sizeof magic) != 0) {
    // A stream too short for a preamble stays failed; anything else is a bare data set from 0.
    in.seekg(0);
    return false;
  }

  FileDataSetReader reader(in, ExplicitLittleEndian);
  DataElement groupLength;
  reader.ReadElement(groupLength);
  if (groupLength.tag != kMetaGroupLengthTag || !groupLength.value ||
      groupLength.value->Vr() != vr::UL || groupLength.value->Length() != 4) {
    return false;
  }
  DataSet meta;
  reader.ReadDataSet(meta, groupLength.value->GetUL());
  std::string uid;
  if (!meta.GetText(kTransferSyntaxUidTag, vr::UI, uid)) return false;
  syntax_ = TransferSyntaxFromUid(uid);
  meta_ = std::move(meta);
  return true;
}

std::string FileMetaHeader::SyntaxUid() const {
  return meta_.GetText(kTransferSyntaxUidTag, vr::UI);
}

bool FileMetaHeader::Write(std::ostream& out) const {
  out.write(reinterpret_cast<const char*>(preamble_.data()), preamble_.size());
  out.write(kMagic, sizeof kMagic);
  FileDataSetWriter(out, ExplicitLittleEndian).WriteDataSet(meta_);
  return out.good();
}

}  // namespace dicom
