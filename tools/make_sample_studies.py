#!/usr/bin/python3
"""Writes the demo archive's sample studies: DICOM files with synthetic pictures.

    /usr/bin/python3 tools/make_sample_studies.py OUTPUT_DIR

Seven patients, ten studies, 25 series and 152 images over CT, MR, CR, US, NM, secondary capture
and XA, each in a storage class that the image export proposes: 16-bit grey (CT, MR, CR), 8-bit
grey (NM, XA) and RGB (US, secondary capture), 128 x 128 pixels, with phantoms, gradients and a
line of text burnt in. One patient's name is Latin-1 without a Specific Character Set, another's
UTF-8 under ISO_IR 192, so that the browser has both to decode. Everything is drawn here, and the
same every run: UIDs are the project's root followed by the patient, study, series and image
numbers, and the noise comes from a seeded generator.

Runs with Debian's python3-pydicom, which is installed for /usr/bin/python3.
"""

import array
import math
import os
import random
import sys
import unicodedata

from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian

UID_ROOT = "1.2.826.0.1.3680043.10.1021.77"
SIZE = 128

CR, CT, MR = "1.2.840.10008.5.1.4.1.1.1", "1.2.840.10008.5.1.4.1.1.2", "1.2.840.10008.5.1.4.1.1.4"
NM, US, SC = "1.2.840.10008.5.1.4.1.1.20", "1.2.840.10008.5.1.4.1.1.6.1", "1.2.840.10008.5.1.4.1.1.7"
XA = "1.2.840.10008.5.1.4.1.1.12.1"

# name, character set (None: Latin-1 bytes, no Specific Character Set), ID, birth date, sex,
# then the studies: date, modality, description, body part, [(series description, images)].
PATIENTS = [
    ("Müller^Hans", None, "PAT-0001", "19520314", "M", [
        ("20160302", "CT", "CT Thorax", "CHEST", [("Thorax 5mm", 8), ("Thorax lung", 8)]),
        ("20190510", "CR", "Chest X-ray", "CHEST", [("PA", 2), ("Lateral", 2)]),
    ]),
    ("Dubois^Hélène", "ISO_IR 192", "PAT-0002", "19680722", "F", [
        ("20181120", "MR", "MR Head", "HEAD", [("T1 axial", 8), ("T2 axial", 8), ("FLAIR", 8)]),
    ]),
    ("Doe^John", "ISO_IR 100", "PAT-0003", "19750101", "M", [
        ("20210615", "US", "Abdomen ultrasound", "ABDOMEN", [("Liver", 4), ("Kidney", 4)]),
        ("20230109", "XA", "Coronary angiography", "HEART", [("LAO", 6), ("RAO", 6)]),
    ]),
    ("Smith^Anna", None, "PAT-0004", "19810911", "F", [
        ("20170830", "NM", "Bone scan", "WHOLEBODY", [("Anterior", 4), ("Posterior", 4)]),
        ("20200214", "OT", "Report capture", "", [("Screens", 3)]),
    ]),
    ("Garcia^Lucia", None, "PAT-0005", "19900203", "F", [
        ("20220905", "CT", "CT Abdomen", "ABDOMEN",
         [("Native", 12), ("Arterial", 12), ("Venous", 12), ("Late", 12)]),
    ]),
    ("Tanaka^Kenji", None, "PAT-0006", "19591230", "M", [
        ("20150427", "MR", "MR Knee", "KNEE", [("PD sagittal", 7), ("T1 coronal", 7),
                                               ("T2 axial", 7)]),
    ]),
    ("Schmidt^Eva", None, "PAT-0007", "19440618", "F", [
        ("20241018", "CR", "Hand and wrist", "HAND",
         [("Left PA", 2), ("Left oblique", 2), ("Right PA", 2), ("Right oblique", 2)]),
    ]),
]

SOP_CLASS = {"CT": CT, "MR": MR, "CR": CR, "US": US, "NM": NM, "OT": SC, "XA": XA}

# A 3 x 5 font: five rows a glyph, each a number whose bits 4, 2 and 1 are the left, middle and
# right pixel.
FONT = {
    "0": "75557", "1": "26227", "2": "71747", "3": "71717", "4": "55711", "5": "74717",
    "6": "74757", "7": "71111", "8": "75757", "9": "75717", "A": "25755", "B": "65656",
    "C": "34443", "D": "65556", "E": "74647", "F": "74644", "G": "34553", "H": "55755",
    "I": "72227", "J": "11152", "K": "55655", "L": "44447", "M": "57755", "N": "65555",
    "O": "25552", "P": "65644", "Q": "25563", "R": "65655", "S": "34216", "T": "72222",
    "U": "55557", "V": "55552", "W": "55775", "X": "55255", "Y": "55222", "Z": "71247",
    " ": "00000", "-": "00700", ".": "00002", "/": "11244", ":": "02020",
}


def ascii_upper(text):
    """The text as the font can draw it: accents dropped, upper case, unknown characters blank."""
    plain = unicodedata.normalize("NFKD", text).encode("ascii", "ignore").decode()
    return "".join(c if c in FONT else " " for c in plain.upper().replace("^", " "))


def burn_text(rows, text, x, y, value, scale=2):
    """Draws the text into the rows (lists of pixel values) at x, y."""
    for index, char in enumerate(ascii_upper(text)):
        left = x + index * 4 * scale
        for row, bits in enumerate(FONT[char]):
            for column in range(3):
                if int(bits) & (4 >> column):
                    for dy in range(scale):
                        for dx in range(scale):
                            py, px = y + row * scale + dy, left + column * scale + dx
                            if 0 <= py < SIZE and 0 <= px < SIZE:
                                rows[py][px] = value


def fill_ellipse(rows, cx, cy, rx, ry, value, add=False):
    """Fills (or adds to) an axis-parallel ellipse, one span a row."""
    for y in range(max(0, int(cy - ry)), min(SIZE, int(cy + ry) + 1)):
        t = 1 - ((y - cy) / ry) ** 2
        if t <= 0:
            continue
        half = rx * math.sqrt(t)
        left, right = max(0, int(cx - half)), min(SIZE, int(cx + half) + 1)
        row = rows[y]
        if add:
            row[left:right] = [v + value for v in row[left:right]]
        else:
            row[left:right] = [value] * (right - left)


def blank(value=0):
    return [[value] * SIZE for _ in range(SIZE)]


def ct_slice(position, series, rng):
    """A thorax or abdomen in Hounsfield units plus 1024: body, lungs or organs, spine."""
    rows = blank(0)
    fill_ellipse(rows, 64, 66, 56, 40, 1024 + 40)
    if series.startswith("Thorax"):
        lung = 14 + 8 * math.sin(math.pi * position)
        fill_ellipse(rows, 40, 62, lung, 24, 1024 - 800)
        fill_ellipse(rows, 88, 62, lung, 24, 1024 - 800)
        fill_ellipse(rows, 60, 58, 10, 9, 1024 + 60)
    else:
        contrast = {"Native": 0, "Arterial": 180, "Venous": 120, "Late": 60}[series]
        fill_ellipse(rows, 44, 60, 20 + 6 * position, 16, 1024 + 60 + contrast // 3)
        fill_ellipse(rows, 88, 70, 9, 12, 1024 + 30 + contrast)
        fill_ellipse(rows, 64, 78, 4, 4, 1024 + 40 + contrast * 2)
    fill_ellipse(rows, 64, 96, 7, 7, 1024 + 700)
    for row in rows:
        row[:] = [max(0, v + rng.randint(-8, 8)) for v in row]
    return rows


def mr_slice(position, series, rng, knee):
    """A head or knee with weighting-dependent contrasts and a coil's shading."""
    t2 = "T2" in series or "FLAIR" in series
    rows = [[40 + y * 2] * SIZE for y in range(SIZE)]
    if knee:
        fill_ellipse(rows, 64, 64, 46, 56, 900 if t2 else 1400)
        fill_ellipse(rows, 64, 40, 22, 20 + 6 * position, 500 if t2 else 1900)
        fill_ellipse(rows, 64, 90, 18, 16, 500 if t2 else 1900)
        fill_ellipse(rows, 64, 64, 30, 4, 2600 if t2 else 700)
    else:
        scale = 0.75 + 0.25 * math.sin(math.pi * position)
        fill_ellipse(rows, 64, 64, 50 * scale, 58 * scale, 2200)
        fill_ellipse(rows, 64, 64, 45 * scale, 53 * scale, 1300 if t2 else 1700)
        fill_ellipse(rows, 56, 60, 5 * scale, 14 * scale, 3000 if t2 and "FLAIR" not in series
                     else 500)
        fill_ellipse(rows, 72, 60, 5 * scale, 14 * scale, 3000 if t2 and "FLAIR" not in series
                     else 500)
        fill_ellipse(rows, 80, 90, 6, 5, 2800)
    for row in rows:
        row[:] = [min(4095, v + rng.randint(0, 60)) for v in row]
    return rows


def cr_image(position, series, rng):
    """A chest or hand radiograph: exposure gradient, lungs or bones, a side marker."""
    rows = [[600 + x * 12 + y * 4 for x in range(SIZE)] for y in range(SIZE)]
    if series in ("PA", "Lateral"):
        fill_ellipse(rows, 64, 70, 54, 52, 1800)
        fill_ellipse(rows, 42, 64, 16, 34, 500)
        if series == "PA":
            fill_ellipse(rows, 86, 64, 16, 34, 500)
        fill_ellipse(rows, 70, 80, 16, 14, 900, add=True)
    else:
        fill_ellipse(rows, 64, 100, 30, 26, 2200)
        for finger in range(4):
            fill_ellipse(rows, 34 + finger * 20, 44 + abs(finger - 1.5) * 8, 6, 30, 2600)
        fill_ellipse(rows, 104, 84, 7, 20, 2600)
    burn_text(rows, "R" if series.startswith("Right") else "L", 110, 8, 4000, scale=3)
    for row in rows:
        row[:] = [min(4095, v + rng.randint(0, 40)) for v in row]
    return rows


def xa_frame(position, series, rng):
    """An angiogram: a grey field with dark vessels that move from image to image."""
    rows = [[150 + (x + y) // 8 for x in range(SIZE)] for y in range(SIZE)]
    for vessel, (start, bend, width) in enumerate(((30, 18, 4), (70, -14, 3), (96, 10, 2))):
        shift = 6 * math.sin(2 * math.pi * position + vessel)
        for y in range(SIZE):
            x = int(start + shift + bend * math.sin(y / 20 + vessel) + (y - 64) * 0.3)
            row = rows[y]
            for px in range(max(0, x - width), min(SIZE, x + width)):
                row[px] = 40
    for row in rows:
        row[:] = [max(0, min(255, v + rng.randint(-6, 6))) for v in row]
    return rows


def nm_image(position, series, rng):
    """A bone scan: a dim body outline, hot spots, counting noise."""
    rows = blank(4)
    fill_ellipse(rows, 64, 30, 14, 16, 50)
    fill_ellipse(rows, 64, 80, 26, 44, 40)
    for spot in range(5):
        fill_ellipse(rows, 44 + spot * 10, 60 + (spot * 13 + int(position * 30)) % 50, 3, 3, 180,
                     add=True)
    if series == "Posterior":
        fill_ellipse(rows, 64, 80, 3, 40, 90, add=True)
    for row in rows:
        row[:] = [min(255, rng.randint(v // 2, v)) for v in row]
    return rows


def us_image(position, series, rng):
    """An ultrasound fan of speckle with an organ, and a colour Doppler patch, as RGB."""
    speckle = rng.randbytes(SIZE * SIZE)
    organ = blank(0)
    fill_ellipse(organ, 64, 70, 30 if series == "Liver" else 16, 22, 1)
    pixels = bytearray(SIZE * SIZE * 3)
    for y in range(8, SIZE):
        half = (y - 8) * 0.8
        for x in range(max(0, int(64 - half)), min(SIZE, int(64 + half) + 1)):
            grey = speckle[y * SIZE + x] // (2 if organ[y][x] else 4) + 20
            at = (y * SIZE + x) * 3
            pixels[at:at + 3] = bytes((grey, grey, grey))
    cy = 60 + int(10 * position)
    for y in range(cy - 6, cy + 6):
        for x in range(70, 84):
            at = (y * SIZE + x) * 3
            pixels[at:at + 3] = bytes((200, 30, 30)) if x < 77 else bytes((30, 60, 210))
    return pixels


def sc_image(position, series, rng, text):
    """A captured screen: a colour gradient with a text panel, as RGB."""
    rows = blank(0)
    fill_ellipse(rows, 64, 84, 40, 30, 1)
    burn_text(rows, text, 8, 12, 2)
    burn_text(rows, "PAGE %d" % (int(position * 3) + 1), 8, 28, 2)
    pixels = bytearray(SIZE * SIZE * 3)
    for y in range(SIZE):
        for x in range(SIZE):
            at = (y * SIZE + x) * 3
            mark = rows[y][x]
            if mark == 2:
                pixels[at:at + 3] = b"\xff\xff\xff"
            elif mark == 1:
                pixels[at:at + 3] = bytes((240, 200, 40))
            else:
                pixels[at:at + 3] = bytes((x * 2, y * 2, 160))
    return pixels


def pixel_module(ds, modality, position, series, rng, label, knee):
    ds.Rows = ds.Columns = SIZE
    ds.PixelSpacing = ["0.8", "0.8"]
    if modality in ("US", "OT"):
        ds.SamplesPerPixel = 3
        ds.PhotometricInterpretation = "RGB"
        ds.PlanarConfiguration = 0
        ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 8, 8, 7, 0
        pixels = (us_image(position, series, rng) if modality == "US"
                  else sc_image(position, series, rng, label))
        ds.PixelData = bytes(pixels)
        return
    if modality == "MR":
        rows = mr_slice(position, series, rng, knee)
    else:
        draw = {"CT": ct_slice, "CR": cr_image, "XA": xa_frame, "NM": nm_image}
        rows = draw[modality](position, series, rng)
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = "MONOCHROME2"
    if modality in ("XA", "NM"):
        burn_text(rows, label, 4, 116, 255)
        ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 8, 8, 7, 0
        ds.PixelData = bytes(bytearray(v for row in rows for v in row))
        return
    burn_text(rows, label, 4, 116, 4000)
    ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 12, 11, 0
    if modality == "CT":
        ds.RescaleIntercept, ds.RescaleSlope = "-1024", "1"
        ds.WindowCenter, ds.WindowWidth = "40", "800"
    else:
        ds.WindowCenter, ds.WindowWidth = "2000", "4000"
    values = array.array("H", (v for row in rows for v in row))
    if sys.byteorder != "little":
        values.byteswap()
    ds.PixelData = values.tobytes()


def write_image(path, patient, study, series, image, rng):
    name, charset, patient_id, birth, sex, _ = patient["record"]
    date, modality, study_description, body_part, _ = study["record"]
    series_description, count = series["record"]
    sop_class = SOP_CLASS[modality]
    prefix = "%s.%d.%d" % (UID_ROOT, patient["number"], study["number"])
    study_uid = prefix
    series_uid = "%s.%d" % (prefix, series["number"])
    instance_uid = "%s.%d.%d" % (prefix, series["number"], image)

    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = sop_class
    meta.MediaStorageSOPInstanceUID = instance_uid
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    meta.ImplementationClassUID = UID_ROOT + ".0"
    ds = Dataset()
    ds.file_meta = meta
    ds.is_little_endian, ds.is_implicit_VR = True, False
    if charset:
        ds.SpecificCharacterSet = charset
    ds.ImageType = ["ORIGINAL", "PRIMARY"] if modality != "OT" else ["DERIVED", "SECONDARY"]
    ds.SOPClassUID = sop_class
    ds.SOPInstanceUID = instance_uid
    ds.StudyDate = ds.SeriesDate = ds.ContentDate = date
    ds.StudyTime = "%02d%02d00" % (8 + study["number"], 10 + series["number"] * 5)
    ds.AccessionNumber = "ACC%05d" % (patient["number"] * 100 + study["number"])
    ds.Modality = modality
    if modality == "OT":
        ds.ConversionType = "WSD"
    ds.Manufacturer = "Synthetic"
    ds.InstitutionName = "Demo Hospital"
    ds.ReferringPhysicianName = "Referrer^Demo"
    ds.StudyDescription = study_description
    ds.SeriesDescription = series_description
    # Without a character set pydicom writes the default repertoire's extension, Latin-1.
    ds.PatientName = name
    ds.PatientID = patient_id
    ds.PatientBirthDate = birth
    ds.PatientSex = sex
    if body_part:
        ds.BodyPartExamined = body_part
    ds.StudyInstanceUID = study_uid
    ds.SeriesInstanceUID = series_uid
    ds.StudyID = "S%d" % study["number"]
    ds.SeriesNumber = series["number"]
    ds.InstanceNumber = image
    position = (image - 1) / max(1, count - 1)
    if modality in ("CT", "MR"):
        ds.SliceLocation = "%.1f" % (image * 5.0)
    label = "%s SE%d IM%d" % (modality, series["number"], image)
    if modality == "OT":
        label = name.split("^")[0]
    pixel_module(ds, modality, position, series_description, rng, label, body_part == "KNEE")
    ds.save_as(path, write_like_original=False)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_sample_studies.py OUTPUT_DIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(20240601)
    studies = series_count = images = 0
    for p, record in enumerate(PATIENTS, start=1):
        patient = {"record": record, "number": p}
        for study_record in record[5]:
            studies += 1
            study = {"record": study_record, "number": studies}
            for se, series_record in enumerate(study_record[4], start=1):
                series_count += 1
                series = {"record": series_record, "number": se}
                for image in range(1, series_record[1] + 1):
                    images += 1
                    name = "p%d-st%d-se%d-im%02d.dcm" % (p, studies, se, image)
                    write_image(os.path.join(out, name), patient, study, series, image, rng)
    print("%d patients, %d studies, %d series, %d images in %s" %
          (len(PATIENTS), studies, series_count, images, out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
