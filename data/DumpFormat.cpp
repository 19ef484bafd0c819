#include "data/DumpFormat.h"

namespace dicom {

const DumpFormat DefaultDumpFormat = {
    .replacement = '#',
    .textLimit = 64,
    .byteLimit = 32,
    .valueLimit = 16,
    .ellipsis = "..",
    .obFormat = "%.2x ",
    .owFormat = "%.4x ",
    .usFormat = "%.4x ",
    .ulFormat = "%.8x ",
    .ssFormat = "%+d ",
    .slFormat = "%+d ",
    .flFormat = "%g ",
    .fdFormat = "%g ",
    .tagFormat = "(%.4x,%.4x)",
    .lengthFormat = ",%d",
    .vrFormat = ",%c%c",
    .nameFormat = ",%s",
    .unknownName = "?????????????",
    .indent = "<",
    .separator = "\t",
    .endOfLine = "\n",
    .sequenceText = "(null)",
    .vrForUn = vr::OB,
    .offsetTableName = "BasicOffsetTable",
    .fragmentName = "PixelDataFragment",
};

}  // namespace dicom
