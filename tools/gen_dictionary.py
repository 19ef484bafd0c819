#!/usr/bin/env python3
"""Writes data/generated/DictionaryTables.cpp, the constant tables behind dicom::DataDictionary.

The main map comes from the data element registry in GDCM's Part6.xml (Debian package
libgdcm3.0); the command, file meta, directory, curve and overlay maps are fixed and live in
this script. The output depends only on the XML, so running it twice gives the same bytes.

    python3 tools/gen_dictionary.py [Part6.xml] > data/generated/DictionaryTables.cpp
    python3 tools/gen_dictionary.py [Part6.xml] -o data/generated/DictionaryTables.cpp
"""

import argparse
import sys
import xml.parsers.expat

DEFAULT_XML = "/usr/share/gdcm-3.0/XML/Part6.xml"

# VR codes that data/VrCode.h names in namespace dicom::vr.
KNOWN_VRS = {
    "AE", "AS", "AT", "CS", "DA", "DS", "DT", "FD", "FL", "IS", "LO", "LT", "OB", "OD", "OF",
    "OL", "OV", "OW", "PN", "SH", "SL", "SQ", "SS", "ST", "SV", "TM", "UC", "UI", "UL", "UN",
    "UR", "US", "UT", "UV",
}

# Groups of the registry that go into the main map; everything else there is left out.
MAIN_GROUPS = {
    0x0008, 0x0010, 0x0018, 0x0020, 0x0028, 0x0032, 0x0038, 0x0040, 0x0050, 0x0054, 0x0088,
    0x2000, 0x2010, 0x2020, 0x2030, 0x2040, 0x2050, 0x2100, 0x2110, 0x2120, 0x2130, 0x3002,
    0x3004, 0x3006, 0x300A, 0x300C, 0x300E, 0x4008, 0x7FE0,
}
EXTRA_MAIN_TAGS = {0xFFFCFFFC}

# Main groups that get a GroupLength entry; the rest of MAIN_GROUPS get none.
GROUP_LENGTH_GROUPS = [
    0x0008, 0x0010, 0x0018, 0x0020, 0x0028, 0x0032, 0x0038, 0x0040, 0x0050, 0x0054, 0x0088,
    0x2000, 0x2010, 0x2020, 0x2030, 0x2040, 0x2100, 0x2110, 0x4008, 0x7FE0,
]

# Values allowed more than one VR: a decoder without an explicit VR reads them as the one here.
MULTI_VR = {"US_SS": "US", "US_SS_OW": "US", "US_OW": "US", "OB_OW": "OW"}

# Pixel Data keeps OB under its own name so it stays apart from the OW default above.
OVERRIDES = {0x7FE00010: ("OB", "PixelDataOW")}

# The names a patient or study browser shows carry the typographic apostrophe (0x92 in code
# page 1252), as peers print them; every other possessive keeps the ASCII one. Patient's Birth
# Date is deliberately not in the list.
TYPOGRAPHIC_APOSTROPHE_TAGS = [
    0x00080090,  # Referring Physician's Name
    0x00081050,  # Performing Physician's Name
    0x00081070,  # Operators' Name
    0x00081090,  # Manufacturer's Model Name
    0x00100010,  # Patient's Name
    0x00100040,  # Patient's Sex
    0x00101010,  # Patient's Age
    0x00101020,  # Patient's Size
    0x00101030,  # Patient's Weight
]

COMMAND_MAP = [
    (0x00000000, "UL", "GroupLength"),
    (0x00000002, "UI", "AffectedSOPClassUID"),
    (0x00000003, "UI", "RequestedSOPClassUID"),
    (0x00000100, "US", "CommandField"),
    (0x00000110, "US", "MessageID"),
    (0x00000120, "US", "MessageIDBeingRespondedTo"),
    (0x00000600, "AE", "MoveDestination"),
    (0x00000700, "US", "Priority"),
    (0x00000800, "US", "DataSetType"),
    (0x00000900, "US", "Status"),
    (0x00000901, "AT", "OffendingElement"),
    (0x00000902, "LO", "ErrorComment"),
    (0x00000903, "US", "ErrorID"),
    (0x00001000, "UI", "AffectedSOPInstanceUID"),
    (0x00001001, "UI", "RequestedSOPInstanceUID"),
    (0x00001002, "US", "EventTypeID"),
    (0x00001005, "AT", "AttributeIdentifierList"),
    (0x00001008, "US", "ActionTypeID"),
    (0x00001020, "US", "NumberofRemainingSub-operations"),
    (0x00001021, "US", "NumberofCompletedSub-operations"),
    (0x00001022, "US", "NumberofFailedSub-operations"),
    (0x00001023, "US", "NumberofWarningSub-operations"),
    (0x00001030, "AE", "MoveOriginatorApplicationEntityTitle"),
    (0x00001031, "US", "MoveOriginatorMessageID"),
]

FILE_META_MAP = [
    (0x00020000, "UL", "GroupLength"),
    (0x00020001, "OB", "FileMetaInformationVersion"),
    (0x00020002, "UI", "MediaStorageSOPClassUID"),
    (0x00020003, "UI", "MediaStorageSOPInstanceUID"),
    (0x00020010, "UI", "TransferSyntaxUID"),
    (0x00020012, "UI", "ImplementationClassUID"),
    (0x00020013, "SH", "ImplementationVersionName"),
    (0x00020016, "AE", "SourceApplicationEntityTitle"),
    (0x00020100, "UI", "PrivateInformationCreatorUID"),
    (0x00020102, "OB", "PrivateInformation"),
]

DIRECTORY_MAP = [
    (0x00040000, "UL", "GroupLength"),
    (0x00041130, "CS", "File-setID"),
    (0x00041141, "CS", "File-setDescriptorFileID"),
    (0x00041142, "CS", "SpecificCharacterSetofFile-setDescriptorFile"),
    (0x00041200, "UL", "OffsetoftheFirstDirectoryRecordoftheRootDirectoryEntity"),
    (0x00041202, "UL", "OffsetoftheLastDirectoryRecordoftheRootDirectoryEntity"),
    (0x00041212, "US", "File-setConsistencyFlag"),
    (0x00041220, "SQ", "DirectoryRecordSequence"),
    (0x00041400, "UL", "OffsetoftheNextDirectoryRecord"),
    (0x00041410, "US", "RecordIn-useFlag"),
    (0x00041420, "UL", "OffsetofReferencedLower-LevelDirectoryEntity"),
    (0x00041430, "CS", "DirectoryRecordType"),
    (0x00041432, "UI", "PrivateRecordUID"),
    (0x00041500, "CS", "ReferencedFileID"),
    (0x00041504, "UL", "MRDRDirectoryRecordOffset"),
    (0x00041510, "UI", "ReferencedSOPClassUIDinFile"),
    (0x00041511, "UI", "ReferencedSOPInstanceUIDinFile"),
    (0x00041512, "UI", "ReferencedTransferSyntaxUIDinFile"),
    (0x00041600, "UL", "NumberofReferences"),
]

CURVE_MAP = [
    (0x50000000, "UL", "GroupLength"),
    (0x50000005, "US", "CurveDimensions"),
    (0x50000010, "US", "NumberofPoints"),
    (0x50000020, "CS", "TypeofData"),
    (0x50000022, "LO", "CurveDescription"),
    (0x50000030, "SH", "AxisUnits"),
    (0x50000040, "SH", "AxisLabels"),
    (0x50000103, "US", "DataValueRepresentation"),
    (0x50000104, "US", "MinimumCoordinateValue"),
    (0x50000105, "US", "MaximumCoordinateValue"),
    (0x50000106, "SH", "CurveRange"),
    (0x50000110, "US", "CurveDataDescriptor"),
    (0x50000112, "US", "CoordinateStartValue"),
    (0x50000114, "US", "CoordinateStepValue"),
    (0x50002000, "US", "AudioType"),
    (0x50002002, "US", "AudioSampleFormat"),
    (0x50002004, "US", "NumberofChannels"),
    (0x50002006, "UL", "NumberofSamples"),
    (0x50002008, "UL", "SampleRate"),
    (0x5000200A, "UL", "TotalTime"),
    (0x5000200C, "OW", "AudioSampleData"),
    (0x5000200E, "LT", "AudioComments"),
    (0x50002500, "LO", "CurveLabel"),
    (0x50002600, "SQ", "ReferencedOverlaySequence"),
    (0x50002610, "US", "ReferencedOverlayGroup"),
    (0x50003000, "OB", "CurveDataOW"),
]

OVERLAY_MAP = [
    (0x60000000, "UL", "GroupLength"),
    (0x60000010, "US", "OverlayRows"),
    (0x60000011, "US", "OverlayColumns"),
    (0x60000012, "US", "OverlayPlanes"),
    (0x60000015, "IS", "NumberofFramesinOverlay"),
    (0x60000022, "LO", "OverlayDescription"),
    (0x60000040, "CS", "OverlayType"),
    (0x60000045, "LO", "OverlaySubtype"),
    (0x60000050, "SS", "OverlayOrigin"),
    (0x60000051, "US", "ImageFrameOrigin"),
    (0x60000052, "US", "OverlayPlaneOrigin"),
    (0x60000100, "US", "OverlayBitsAllocated"),
    (0x60000102, "US", "OverlayBitPosition"),
    (0x60001301, "IS", "ROIArea"),
    (0x60001302, "DS", "ROIMean"),
    (0x60001303, "DS", "ROIStandardDeviation"),
    (0x60001500, "LO", "OverlayLabel"),
    (0x60003000, "OW", "OverlayData"),
]

# Rows the main map must contain; a registry that disagrees stops the run.
MAIN_CHECKS = [
    (0x00080016, "UI", b"SOPClassUID"),
    (0x00080018, "UI", b"SOPInstanceUID"),
    (0x00080052, "CS", b"Query/RetrieveLevel"),
    (0x00080090, "PN", b"ReferringPhysician\x92sName"),
    (0x00100010, "PN", b"Patient\x92sName"),
    (0x00100030, "DA", b"Patient'sBirthDate"),
    (0x0020000D, "UI", b"StudyInstanceUID"),
    (0x0020000E, "UI", b"SeriesInstanceUID"),
    (0x00280010, "US", b"Rows"),
    (0x00281201, "OW", b"RedPaletteColorLookupTableData"),
    (0x00281202, "OW", b"GreenPaletteColorLookupTableData"),
    (0x00281203, "OW", b"BluePaletteColorLookupTableData"),
    (0x7FE00010, "OB", b"PixelDataOW"),
    (0xFFFCFFFC, "OB", b"DataSetTrailingPadding"),
]


class GenerationError(Exception):
    pass


def read_registry(path):
    """Returns (group, element, vr, name) strings of every entry in the file, in file order."""
    entries = []

    def start(tag, attrs):
        if tag == "entry" and "group" in attrs and "element" in attrs:
            entries.append(
                (attrs["group"], attrs["element"], attrs.get("vr", ""), attrs.get("name", "")))

    parser = xml.parsers.expat.ParserCreate()
    parser.StartElementHandler = start
    # The file pulls in the UID registries as external entities; they are not needed here.
    parser.ExternalEntityRefHandler = lambda *args: 1
    with open(path, "rb") as f:
        parser.ParseFile(f)
    return entries


def main_map(registry):
    """Builds the main map as {tag: (vr, cp1252 name bytes)}; notes go to stderr."""
    table = {}
    for group_text, element_text, vr, name in registry:
        if "x" in group_text.lower() or "x" in element_text.lower():
            continue  # repeating ranges cannot be matched exactly
        group = int(group_text, 16)
        element = int(element_text, 16)
        tag = (group << 16) | element
        if group not in MAIN_GROUPS and tag not in EXTRA_MAIN_TAGS:
            continue
        if element == 0:
            continue  # group lengths are added below, for chosen groups only
        vr = MULTI_VR.get(vr, vr)
        if vr == "" or vr == "UN":
            print(f"skipped ({group:04X},{element:04X}) {name!r}: VR {vr!r}", file=sys.stderr)
            continue
        if vr not in KNOWN_VRS:
            raise GenerationError(f"({group:04X},{element:04X}) has unknown VR {vr!r}")
        compact = "".join(name.split())
        if not compact:
            # A few retired rows keep only their tag; without a name there is nothing to show.
            print(f"skipped ({group:04X},{element:04X}): no name", file=sys.stderr)
            continue
        if tag in TYPOGRAPHIC_APOSTROPHE_TAGS:
            if "'" not in compact:
                raise GenerationError(f"({group:04X},{element:04X}) {name!r} has no apostrophe")
            compact = compact.replace("'", "\u2019")
        if tag in OVERRIDES:
            vr, compact = OVERRIDES[tag]
        if tag in table:
            raise GenerationError(f"({group:04X},{element:04X}) appears twice")
        try:
            table[tag] = (vr, compact.encode("cp1252"))
        except UnicodeEncodeError as e:
            raise GenerationError(f"({group:04X},{element:04X}) {name!r}: {e}") from e
    for group in GROUP_LENGTH_GROUPS:
        table[group << 16] = ("UL", b"GroupLength")
    for tag, vr, name in MAIN_CHECKS:
        if table.get(tag) != (vr, name):
            raise GenerationError(f"{tag:08X}: expected {vr} {name!r}, got {table.get(tag)!r}")
    return table


def fixed_map(rows):
    table = {}
    for tag, vr, name in rows:
        if tag in table or vr not in KNOWN_VRS or vr == "UN":
            raise GenerationError(f"bad fixed row {tag:08X}")
        table[tag] = (vr, name.encode("cp1252"))
    return table


def c_string(name):
    """A C string literal of the bytes, with \\x escapes that never swallow a following digit."""
    out = '"'
    after_escape = False
    for byte in name:
        ch = chr(byte)
        if byte >= 0x80 or byte < 0x20:
            out += f"\\x{byte:02X}"
            after_escape = True
            continue
        if after_escape and ch in "0123456789abcdefABCDEF":
            out += '" "'
        out += "\\" + ch if ch in '"\\' else ch
        after_escape = False
    return out + '"'


def emit_map(lines, symbol, table):
    lines.append("")
    lines.append(f"constexpr DictionaryEntry {symbol}[] = {{")
    for tag in sorted(table):
        vr, name = table[tag]
        lines.append(f"    {{0x{tag:08X}, vr::{vr}, {c_string(name)}}},")
    lines.append("};")
    lines.append(f"static_assert(IsStrictlyAscending({symbol}));")


def generate(xml_path):
    maps = [
        ("kCommandMap", "Command", fixed_map(COMMAND_MAP)),
        ("kFileMetaMap", "FileMeta", fixed_map(FILE_META_MAP)),
        ("kDirectoryMap", "Directory", fixed_map(DIRECTORY_MAP)),
        ("kMainMap", "Main", main_map(read_registry(xml_path))),
        ("kCurveMap", "Curve", fixed_map(CURVE_MAP)),
        ("kOverlayMap", "Overlay", fixed_map(OVERLAY_MAP)),
    ]
    lines = [
        "// generated by tools/gen_dictionary.py from the standard's data dictionary; do not edit",
        "",
        "#include <span>",
        "",
        '#include "data/DataDictionary.h"',
        "",
        "namespace dicom {",
        "namespace {",
        "",
        "template <std::size_t N>",
        "constexpr bool IsStrictlyAscending(const DictionaryEntry (&entries)[N]) {",
        "  for (std::size_t i = 1; i < N; ++i) {",
        "    if (entries[i - 1].tag >= entries[i].tag) return false;",
        "  }",
        "  return true;",
        "}",
        "",
        "// One entry a line, as generated.",
        "// clang-format off",
    ]
    for symbol, _, table in maps:
        emit_map(lines, symbol, table)
    lines += [
        "",
        "// clang-format on",
        "",
        "}  // namespace",
        "",
        "std::span<const DictionaryEntry> DataDictionary::Table(Map map) {",
        "  switch (map) {",
    ]
    for symbol, enumerator, _ in maps:
        lines.append(f"    case Map::{enumerator}:")
        lines.append(f"      return {symbol};")
    lines += [
        "  }",
        "  return {};",
        "}",
        "",
        "}  // namespace dicom",
        "",
    ]
    counts = ", ".join(f"{enumerator} {len(table)}" for _, enumerator, table in maps)
    print(f"entries: {counts}", file=sys.stderr)
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("xml", nargs="?", default=DEFAULT_XML, help="path to Part6.xml")
    parser.add_argument("-o", "--output", help="file to write instead of standard output")
    args = parser.parse_args()
    try:
        text = generate(args.xml)
    except (GenerationError, OSError, xml.parsers.expat.ExpatError) as e:
        print(f"gen_dictionary: {e}", file=sys.stderr)
        return 1
    if args.output:
        # Binary mode keeps the line endings the same on every platform.
        with open(args.output, "wb") as f:
            f.write(text.encode("ascii"))
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
