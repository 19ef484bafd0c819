#!/usr/bin/env bash
# The browser's Update against findscu on an Orthanc holding N patients with one study each
# (N = 10,000 and 50,000 unless given): the same study query with the same keys, on the same
# archive, started here on a free loopback port. The objects are written by pydicom
# (make_studies.py) and stored with storescu; the filled Orthanc storage stays under
# build/bench/orthanc-N between runs, as filling 50,000 takes minutes. The Update is timed
# in-process (browser_update: query, records and rows); findscu as a whole invocation. Each side
# runs 3 times and its fastest run counts. Results go to <results>/browser.json.
#
#   bench/browser_bench.sh [results directory] [N ...]
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-build/bench/results}
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 50000)
mkdir -p "$out"
result="$out/browser.json"

for tool in /usr/sbin/Orthanc storescu findscu /usr/bin/python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "browser_bench: $tool not found, skipped" >&2
    echo "{\"skipped\": \"$tool not found\"}" >"$result"
    exit 0
  fi
done


scratch=$(mktemp -d "${TMPDIR:-/tmp}/dicomnet-browser-XXXXXX")
orthanc=""
stage=""
cleanup() {
  if [ -n "$orthanc" ]; then
    kill "$orthanc" 2>/dev/null || true
    wait "$orthanc" 2>/dev/null || true
  fi
  rm -rf "$scratch" ${stage:+"$stage"}
}
trap cleanup EXIT
trap 'exit 130' INT TERM

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Starts Orthanc on the storage of $1 and sets port; it knows DICOMNET, which both clients call as.
start_orthanc() {
  port=$(free_port)
  cat >"$scratch/orthanc.json" <<EOF
{"Name": "dicomnet-bench", "DicomAet": "ORTHANC", "DicomPort": $port, "DicomCheckCalledAet": true,
 "HttpServerEnabled": false, "HttpPort": $(free_port), "RemoteAccessAllowed": false, "Plugins": [],
 "StorageDirectory": "$1/storage", "IndexDirectory": "$1/index", "SaveJobs": false,
 "DicomModalities": {"dicomnet": ["DICOMNET", "127.0.0.1", $(free_port)]}}
EOF
  /usr/sbin/Orthanc "$scratch/orthanc.json" >"$scratch/orthanc.log" 2>&1 &
  orthanc=$!
  for _ in $(seq 300); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null &&
      return 0
    kill -0 "$orthanc" 2>/dev/null || break
    sleep 0.1
  done
  echo "browser_bench: Orthanc did not start" >&2
  cat "$scratch/orthanc.log" >&2
  exit 1
}

stop_orthanc() {
  kill "$orthanc"
  wait "$orthanc" 2>/dev/null || true
  orthanc=""
}

# The archive of $1 studies, filled once. Orthanc commits every stored object to disk, which on
# a shared disk makes a few dozen objects a second: the objects and the archive are built in
# memory (/dev/shm when there is one) and the archive then copied to its place.
fill() {
  local dir=build/bench/orthanc-$1
  [ -f "$dir/filled" ] && return 0
  rm -rf "$dir"
  mkdir -p "$dir"
  stage=$scratch
  [ -d /dev/shm ] && stage=$(mktemp -d /dev/shm/dicomnet-browser-XXXXXX)
  echo "browser_bench: writing and storing $1 studies (once)..." >&2
  /usr/bin/python3 bench/make_studies.py "$1" "$stage/objects"
  start_orthanc "$stage/archive"
  TCP_NODELAY=1 storescu -aet DICOMNET -aec ORTHANC +sd 127.0.0.1 "$port" "$stage/objects"
  stop_orthanc
  cp -a "$stage/archive/." "$dir/"
  [ "$stage" = "$scratch" ] || rm -rf "$stage"
  stage=""
  touch "$dir/filled"
}

now() { date +%s.%N; }

for count in "${counts[@]}"; do
  fill "$count"
done

cmake --preset bench >/dev/null
cmake --build --preset bench --target browser_update dicomplugin -j"$(nproc)" >/dev/null
bin=build/bench/bin

echo "{" >"$result"
first=1
for count in "${counts[@]}"; do
  start_orthanc "$(realpath "build/bench/orthanc-$count")"
  keys=(-k QueryRetrieveLevel=STUDY -k StudyInstanceUID -k PatientName -k PatientBirthDate
    -k StudyDate -k PatientID -k StudyID)
  find_best=""
  for _ in 1 2 3; do
    start=$(now)
    TCP_NODELAY=1 findscu -aet DICOMNET -aec ORTHANC -S "${keys[@]}" 127.0.0.1 "$port" \
      >/dev/null 2>&1
    took=$(python3 -c "print($(now) - $start)")
    find_best=$(python3 -c "print(min(x for x in ($took, ${find_best:-1e9})))")
  done
  lines=$("$bin/browser_update" "$(realpath "$bin/libdicomplugin.so")" "$port" ORTHANC 3)
  stop_orthanc
  echo "$lines" >&2
  browser_best=$(echo "$lines" | sed -n 's/^seconds=\([0-9.]*\).*/\1/p' | sort -g | head -1)
  patients=$(echo "$lines" | sed -n 's/.*patients=\([0-9]*\).*/\1/p' | head -1)
  [ $first -eq 1 ] || echo "," >>"$result"
  first=0
  echo "\"studies$count\": {\"findscu_s\": $find_best, \"update_s\": $browser_best," \
    "\"patients\": $patients}" >>"$result"
  python3 -c "print(f'studies=$count patients=$patients findscu {$find_best:.3f} s  update \
{$browser_best:.3f} s  ratio {$browser_best / $find_best:.2f}')"
done
echo "}" >>"$result"
