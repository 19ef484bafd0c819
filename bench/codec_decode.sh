#!/usr/bin/env bash
# Decoding one 4096 x 4096 image of 12 bits per compressed transfer syntax: our decoders through the
# codec layer (decode_bench, the frame in memory, fastest of 5), and `dicomnet decompress` of the
# file, against the tools that decode the same file (dcmdjpeg, dcmdjpls, dcmdrle, gdcmconv --raw,
# ojph_expand; whole runs with reading and writing the file, fastest of 3, as decompress is timed).
# Prints the milliseconds and tool/ours for both, so above 1 means we are faster. Expects the
# bench preset built (or builds decode_bench and dicomnet); files stay in build/bench/codecs.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/bench/bin
work=build/bench/codecs
mkdir -p "$work"
if [ ! -x "$bin/decode_bench" ] || [ ! -x "$bin/dicomnet" ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench --target decode_bench dicomnet -j"$(nproc)" >/dev/null
fi

# A smooth body with texture and noise, so that the codecs have something to model.
if [ ! -f "$work/image.dcm" ]; then
  /usr/bin/python3 - "$work" <<'PY'
import array, math, random, sys
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid
n, out = 4096, sys.argv[1]
random.seed(1)
noise = [random.randint(-24, 24) for _ in range(4099)]
across = [int(900 * math.sin(x / 410.0)) for x in range(n)]
pixels = array.array('H')
for y in range(n):
    down = int(1900 + 700 * math.cos(y / 530.0))
    pixels.extend((down + a + ((x * y) >> 11) % 96 + noise[(x * 7 + y * 13) % 4099]) & 0xFFF
                  for x, a in enumerate(across))
ds = Dataset()
ds.file_meta = FileMetaDataset()
ds.file_meta.TransferSyntaxUID = ExplicitVRLittleEndian
ds.file_meta.MediaStorageSOPClassUID = ds.SOPClassUID = '1.2.840.10008.5.1.4.1.1.7'
ds.file_meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = generate_uid()
ds.is_little_endian, ds.is_implicit_VR = True, False
ds.Modality, ds.PatientName = 'OT', 'Codec^Bench'
ds.Rows = ds.Columns = n
ds.SamplesPerPixel, ds.PhotometricInterpretation = 1, 'MONOCHROME2'
ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 12, 11, 0
ds.PixelData = pixels.tobytes()
ds.save_as(out + '/image.dcm', write_like_original=False)
pixels.byteswap()
with open(out + '/image.pgm', 'wb') as pgm:
    pgm.write(b'P5\n%d %d\n4095\n' % (n, n) + pixels.tobytes())
PY
fi

cd "$work"
# name, transfer syntax, encoder, tool that decodes it (IN and OUT stand for the files)
rows=(
  "jpeg-lossless|1.2.840.10008.1.2.4.70|dcmcjpeg +e1 image.dcm IN|dcmdjpeg IN OUT"
  "jpeg-lossless|1.2.840.10008.1.2.4.70|dcmcjpeg +e1 image.dcm IN|gdcmconv --raw IN OUT"
  "jpeg-ls|1.2.840.10008.1.2.4.80|dcmcjpls image.dcm IN|dcmdjpls IN OUT"
  "jpeg-ls|1.2.840.10008.1.2.4.80|dcmcjpls image.dcm IN|gdcmconv --raw IN OUT"
  "rle|1.2.840.10008.1.2.5|dcmcrle image.dcm IN|dcmdrle IN OUT"
  "rle|1.2.840.10008.1.2.5|dcmcrle image.dcm IN|gdcmconv --raw IN OUT"
  "jpeg2000|1.2.840.10008.1.2.4.90|gdcmconv --j2k image.dcm IN|gdcmconv --raw IN OUT"
  "htj2k|1.2.840.10008.1.2.4.201|ojph_compress -i image.pgm -o IN -reversible true|ojph_expand -i IN -o OUT"
)
fastest() {  # milliseconds of the fastest of 3 runs of the command
  local best=999999999 start end
  for _ in 1 2 3; do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    best=$(((end - start) / 1000000 < best ? (end - start) / 1000000 : best))
  done
  echo "$best"
}

# The HTJ2K code stream in one fragment of the image's data set, for decompress.
wrap_htj2k() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys, pydicom
from pydicom.encaps import encapsulate
from pydicom._uid_dict import UID_dictionary
# This pydicom predates HTJ2K and writes only syntaxes it knows.
UID_dictionary['1.2.840.10008.1.2.4.201'] = (
    'HTJ2K Lossless', 'Transfer Syntax', '', '', 'HTJ2KLossless')
ds = pydicom.dcmread('image.dcm')
ds.file_meta.TransferSyntaxUID = '1.2.840.10008.1.2.4.201'
ds.PixelData = encapsulate([open(sys.argv[1], 'rb').read()])
ds['PixelData'].is_undefined_length = True
ds.save_as(sys.argv[2], write_like_original=False)
PY
}

printf '%-14s %-22s %9s %9s %9s %7s %7s\n' syntax tool frame_ms file_ms tool_ms t/frame t/file
for row in "${rows[@]}"; do
  IFS='|' read -r name uid encode decode <<<"$row"
  if [ "$name" = htj2k ]; then in=$name.j2c out=$name-out.pgm; else in=$name.dcm out=$name-out.dcm; fi
  if [ ! -f "$in" ]; then
    ${encode//IN/$in} >/dev/null 2>&1
    if [ "$name" = htj2k ]; then cp "$in" "$in.bin" && wrap_htj2k "$in" "$name.dcm"; else
      /usr/bin/python3 ../../../tests/codecs/pixels.py extract "$in"; fi
  fi
  ours=$("../bin/decode_bench" "$uid" "$in.bin" 4096 4096 1 16 12)
  file=$(fastest ../bin/dicomnet decompress "$name.dcm" "$name-ours.dcm")
  theirs=$(fastest $(echo "$decode" | sed "s/IN/$in/; s/OUT/$out/"))
  printf '%-14s %-22s %9s %9s %9s %7s %7s\n' "$name" "${decode%% IN*}" "$ours" "$file" "$theirs" \
    "$(python3 -c "print(f'{$theirs / $ours:.2f}')")" \
    "$(python3 -c "print(f'{$theirs / max($file, 1):.2f}')")"
done
