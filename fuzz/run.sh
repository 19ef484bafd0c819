#!/usr/bin/env bash
# Builds the fuzz preset and runs each target for the given number of seconds (default 30) from its
# corpus in fuzz/corpus/<target>, together with small files that DCMTK writes in every transfer
# syntax. The seed is fixed (FUZZ_SEED, default 1) so that a run can be repeated. What a run finds
# stays in a temporary directory; with FUZZ_MERGE=1 it is merged, minimized, into the corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
seed=${FUZZ_SEED:-1}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
targets=(FuzzStreamCodec FuzzDicomFile FuzzPdu FuzzAssociationReceive FuzzEncapsulated
  FuzzJpegLossless FuzzRle)
for target in "${targets[@]}"; do mkdir -p "$work/$target"; done
cat >"$work/seed.dump" <<'DUMP'
(0008,0016) UI =SecondaryCaptureImageStorage
(0008,0018) UI [1.2.3.4.5]
(0010,0010) PN [Doe^John]
(0018,6011) SQ (Sequence with undefined length #=1)
  (fffe,e000) na (Item with undefined length #=2)
    (0018,6012) US 1
    (0018,6014) US 2\3
  (fffe,e00d) na (ItemDelimitationItem)
(fffe,e0dd) na (SequenceDelimitationItem)
(0020,9165) AT (0010,0010)\(0010,0020)
(0028,0010) US 4
(0028,1052) DS [-1024]
(7fe0,0010) OW 0001\0002\0003\0004
DUMP
dump2dcm "$work/seed.dump" "$work/FuzzDicomFile/explicit.dcm"
for syntax in i e b; do
  dcmconv "+t$syntax" "$work/FuzzDicomFile/explicit.dcm" "$work/FuzzDicomFile/$syntax.dcm"
  dcmconv -F "+t$syntax" "$work/FuzzDicomFile/explicit.dcm" "$work/bare-$syntax.dcm" 2>/dev/null
done
cp "$work/bare-i.dcm" "$work/FuzzDicomFile/bare.dcm"
printf '\x00' | cat - "$work/bare-i.dcm" >"$work/FuzzStreamCodec/implicit"
printf '\x01' | cat - "$work/bare-e.dcm" >"$work/FuzzStreamCodec/explicit"
printf '\x02' | cat - "$work/bare-b.dcm" >"$work/FuzzStreamCodec/big"

# An A-ASSOCIATE-AC with a role selection, and a P-DATA-TF with two PDVs.
printf '\x02\x00\x00\x00\x00\x5b\x00\x01\x00\x00%-16s%-16s' ARCHIVE DICOMNET >"$work/FuzzPdu/accept"
head -c 32 /dev/zero >>"$work/FuzzPdu/accept"
printf '\x21\x00\x00\x08\x01\x00\x00\x00\x40\x00\x00\x00' >>"$work/FuzzPdu/accept"
printf '\x50\x00\x00\x13\x51\x00\x00\x04\x00\x00\x40\x00\x54\x00\x00\x07\x00\x03\x31\x2e\x32\x01\x00' >>"$work/FuzzPdu/accept"
printf '\x04\x00\x00\x00\x00\x10\x00\x00\x00\x04\x01\x00\x41\x42\x00\x00\x00\x02\x01\x02' >"$work/FuzzPdu/data"

# Frames of small images that DCMTK compresses: JPEG lossless with each predictor and a point
# transform, RLE behind the three bytes of FuzzRle's description (flags, rows - 1, columns - 1).
images="$work/images"
mkdir -p "$images"
/usr/bin/python3 tests/codecs/pixels.py make "$images"
for image in grey8 s16 u16 rgb8; do
  for sv in 1 2 3 4 5 6 7; do
    dcmcjpeg +el +sv "$sv" +pt $((sv % 3)) "$images/$image.dcm" "$images/$image-sv$sv.dcm"
  done
  dcmcrle "$images/$image.dcm" "$images/$image-rle.dcm"
done
/usr/bin/python3 tests/codecs/pixels.py extract "$images"/*-sv*.dcm "$images"/*-rle.dcm
for frame in "$images"/{grey8,s16}-sv*.dcm.bin "$images"/{rgb8-sv1,u16-sv4}.dcm.bin; do
  cp "$frame" "$work/FuzzJpegLossless/"
done
declare -A prefix=([grey8]='\x00\x2f\x3f' [s16]='\x01\x1d\x27' [u16]='\x01\x4f\x5f'
  [rgb8]='\x02\x3b\x4f')
for image in grey8 s16 u16 rgb8; do
  printf "${prefix[$image]}" | cat - "$images/$image-rle.dcm.bin" >"$work/FuzzRle/$image"
done

status=0
for target in "${targets[@]}"; do
  echo "=== $target for ${seconds}s"
  # The codec seeds are whole frames of up to 16 KB.
  max_len=4096
  case "$target" in FuzzJpegLossless | FuzzRle) max_len=20000 ;; esac
  mkdir -p "fuzz/corpus/$target" "$work/new/$target"
  "build/fuzz/bin/$target" -seed="$seed" -max_total_time="$seconds" -max_len="$max_len" \
    -timeout=10 -print_final_stats=1 \
    "$work/new/$target" "fuzz/corpus/$target" "$work/$target" >"$work/$target.log" 2>&1 || status=1
  tail -n 12 "$work/$target.log"
  if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    "build/fuzz/bin/$target" -merge=1 -max_len="$max_len" \
      "fuzz/corpus/$target" "$work/new/$target" "$work/$target" 2>&1 | tail -n 1
  fi
done
exit "$status"
