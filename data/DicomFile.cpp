#include "data/DicomFile.h"

#include "data/FileDataSetCodec.h"

namespace dicom {

bool DicomFile::Read(DataSet& dataSet) {
  clear();
  hasMetaHeader_ = header_.Read(*this);
  const TransferSyntax syntax = hasMetaHeader_ && header_.Syntax() != UnknownTransferSyntax
                                    ? header_.Syntax()
                                    : ImplicitLittleEndian;
  status_ = CodecStatus::Good;
  failedTag_ = 0;
  if (!good()) {
    dataSet.Clear();
    return false;
  }
  FileDataSetReader reader(*this, syntax);
  reader.DeferValues(deferSource_, deferFrom_);
  reader.ReadDataSet(dataSet);
  status_ = reader.Status();
  failedTag_ = reader.FailedTag();
  // Every read that runs to the end of the file ends this way; what came before it stands.
  if (eof() && fail() && !bad()) clear();
  return good();
}

bool DicomFile::Write(const DataSet& dataSet) {
  header_.Write(*this);
  FileDataSetWriter(*this, header_.Syntax()).WriteDataSet(dataSet);
  return good();
}

}  // namespace dicom
