# Source images for the decoder tests, written as DICOM files, raw little-endian samples and PNM,
# and the first frame (or the native pixels) of a DICOM or PNM file that an encoder or decoder made.
#   pixels.py make DIR          pixels.py extract FILE...   (each to FILE.bin, FILE.bin.pi)
import sys, struct
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid
from pydicom.encaps import generate_pixel_data_frame

SOURCES = {  # name: columns, rows, samples, bits stored, signed, value of (x, y, sample)
    'grey8': (64, 48, 1, 8, 0, lambda x, y, s: (x * 3 + y * 5 + (x * y) % 17) & 0xFF),
    'u16': (96, 80, 1, 16, 0, lambda x, y, s: (x * 700 + y * 300 + (x ^ y) * 13) & 0xFFFF),
    's16': (40, 30, 1, 16, 1, lambda x, y, s: x * 997 - y * 700 + (x * y) % 257 - 10000),
    'u12': (256, 256, 1, 12, 0, lambda x, y, s: (x * 37 + y * 11 + ((x * y) >> 3)) & 0xFFF),
    'rgb8': (80, 60, 3, 8, 0, lambda x, y, s: (x * (3 + s) + y * (5 - s) + (x * y) % (7 + s)) & 0xFF),
}

def make(name, out):
    cols, rows, spp, stored, signed, f = SOURCES[name]
    width = 1 if stored == 8 else 2
    fmt = '<' + ('B' if width == 1 else ('h' if signed else 'H'))
    pixels = b''.join(struct.pack(fmt, f(x, y, s)) for y in range(rows) for x in range(cols) for s in range(spp))
    ds = Dataset()
    ds.file_meta = FileMetaDataset()
    ds.file_meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds.file_meta.MediaStorageSOPClassUID = ds.SOPClassUID = '1.2.840.10008.5.1.4.1.1.7'
    ds.file_meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = generate_uid()
    ds.is_little_endian, ds.is_implicit_VR = True, False
    ds.Modality, ds.PatientName = 'OT', 'Codec^Test'
    ds.Rows, ds.Columns, ds.SamplesPerPixel = rows, cols, spp
    ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 8 * width, stored, stored - 1, signed
    ds.PhotometricInterpretation = 'RGB' if spp == 3 else 'MONOCHROME2'
    if spp == 3:
        ds.PlanarConfiguration = 0
    ds.PixelData = pixels
    ds.save_as(out + '.dcm', write_like_original=False)
    open(out + '.raw', 'wb').write(pixels)
    # A PNM for the encoders that read no DICOM; 16-bit PNM samples are big-endian.
    if not signed:
        kind = 'P6' if spp == 3 else 'P5'
        data = pixels if width == 1 else b''.join(struct.pack('>H', v) for v, in struct.iter_unpack('<H', pixels))
        open(out + ('.ppm' if spp == 3 else '.pgm'), 'wb').write(b'%s\n%d %d\n%d\n' % (kind.encode(), cols, rows, (1 << stored) - 1) + data)

def extract(path, out):
    """The first frame's code stream, or the native pixels, and the photometric interpretation."""
    if path.endswith('.pgm') or path.endswith('.ppm'):
        data = open(path, 'rb').read()
        fields = data.split(maxsplit=4)
        pixels = fields[4]
        if int(fields[3]) > 255:
            pixels = b''.join(struct.pack('<H', v) for v, in struct.iter_unpack('>H', pixels))
        open(out, 'wb').write(pixels)
        return
    import pydicom
    ds = pydicom.dcmread(path)
    if ds.file_meta.TransferSyntaxUID.is_compressed:
        open(out, 'wb').write(next(generate_pixel_data_frame(ds.PixelData, 1)))
    else:
        open(out, 'wb').write(ds.PixelData)
    open(out + '.pi', 'w').write(ds.PhotometricInterpretation)

if sys.argv[1] == 'make':
    for name in SOURCES:
        make(name, sys.argv[2] + '/' + name)
else:
    for path in sys.argv[2:]:
        extract(path, path + '.bin')
