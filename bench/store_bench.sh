#!/usr/bin/env bash
# The network commands against DCMTK's, each pair against the same peer on 127.0.0.1:
#   store  dicomnet store vs storescu -xi (both send implicit VR little endian) to storescp --ignore:
#          one 64 MB object (32 MiB pixel data + 32 MiB overlay data), then 200 objects of 0.5 MiB
#          in one invocation; one 64 MB object with a single 64 MiB value, with matching PDU sizes
#          (our default 4096-byte fragments against storescu --max-send-pdu 4096, and both at 16384,
#          storescp's default, and at 131072 to a storescp whose maximum is raised to match)
#   tls    the 200 objects again, dicomnet store --tls vs storescu +tls, to a storescp +tls that
#          requires a client certificate (certificates made here with the openssl command)
#   nagle  2,000 small objects in one invocation each to a storescp as Debian ships it, Nagle's
#          algorithm on (storescu itself keeps TCP_NODELAY=1)
#   peak   peak resident memory of dicomnet dump and dicomnet store of a 256 MB multi-frame object
#          (one 256 MiB pixel data value) and of the 64 MB single-value store
#   stream a 512 MiB multi-frame object written by pydicom (explicit VR little endian), each tool
#          at its defaults: dicomnet store vs storescu to storescp --ignore, and storescu to
#          dicomnet receive vs storescu to storescp writing its files (both on the same disk);
#          the peak resident memory of that store and of the receiver (goal: 64 MiB each); and
#          the 64 MB single-value store at each tool's default PDU size
# NETCMD_ONLY=prefix,... runs only the rows whose names start with one of the prefixes.
#   find   dicomnet find vs findscu on bench/find_peer answering 1,000 study matches from memory;
#          again with a peer answering none, which gives the fixed cost of an invocation
# Every command runs once to warm up (a store with its first object only), then in alternating
# order; the fastest run counts; the peak memory is the largest of 3 runs. Results go to
# <results>/netcmd.json. Expects the bench preset built (run.sh builds it).
#
# DCMTK's tools leave Nagle's algorithm on unless TCP_NODELAY=1 is in their environment. Then each
# C-STORE-RSP of storescp waits for a delayed acknowledgement (about 40 ms per object, unless the
# client acknowledges at once, as ours does), so every DCMTK tool here runs with TCP_NODELAY=1, as
# our client always does, except the one peer of the nagle row.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/bench/bin
out=${1:-build/bench/results}
mkdir -p "$out"
result="$out/netcmd.json"

for tool in storescp storescu findscu openssl; do
  if ! command -v "$tool" >/dev/null; then
    echo "store_bench: $tool not found, network command rows skipped" >&2
    echo "{\"skipped\": \"$tool not found\"}" >"$result"
    exit 0
  fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/dicomnet-netcmd-XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT
# A signal ends the script through its EXIT trap, so that no peer outlives it.
trap 'exit 130' INT TERM

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits until 127.0.0.1:$1 accepts a connection, at most 10 s, while process $2 lives.
wait_for_port() {
  for _ in $(seq 100); do
    kill -0 "$2" 2>/dev/null || return 1
    python3 -c "import socket, sys; socket.create_connection(('127.0.0.1', $1), 1)" 2>/dev/null &&
      return 0
    sleep 0.1
  done
  return 1
}

# Starts find_peer with that many responses and sets peer_port (not in a subshell, so that its
# pid stays listed for the cleanup).
start_find_peer() {
  "$bin/find_peer" --port 0 --responses "$1" --idle 300 >"$scratch/find$1.port" &
  pids+=($!)
  for _ in $(seq 100); do
    if grep -q '^port=' "$scratch/find$1.port" 2>/dev/null; then
      peer_port=$(sed -n 's/^port=//p' "$scratch/find$1.port")
      return 0
    fi
    sleep 0.1
  done
  echo "store_bench: find_peer did not start" >&2
  return 1
}

echo "  objects..." >&2
big_bytes=$("$bin/make_objects" "$scratch/big" 1 32768 32768)
series_bytes=$("$bin/make_objects" "$scratch/series" 200 512)
single_bytes=$("$bin/make_objects" "$scratch/single" 1 65536)
frames_bytes=$("$bin/make_objects" "$scratch/frames" 1 262144 frames)
small_bytes=$("$bin/make_objects" "$scratch/small" 2000 1)
# Written by an independent encoder, as a modality would send it; 512 MiB of pixel data.
mkdir -p "$scratch/stream" "$scratch/received/ours" "$scratch/received/storescp"
stream_bytes=$(/usr/bin/python3 - "$scratch/stream/big512.dcm" <<'PY'
import os, sys
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian
ds = Dataset(); ds.file_meta = meta = FileMetaDataset()
meta.TransferSyntaxUID = ExplicitVRLittleEndian
meta.MediaStorageSOPClassUID = ds.SOPClassUID = "1.2.840.10008.5.1.4.1.1.7.3"
meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID = "1.2.826.0.1.3680043.9.7433.6.1"
ds.is_little_endian, ds.is_implicit_VR = True, False
ds.Rows, ds.Columns, ds.SamplesPerPixel, ds.NumberOfFrames = 1024, 1024, 1, 256
ds.PhotometricInterpretation = "MONOCHROME2"
ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 12, 11, 0
ds.PixelData = bytes(range(256)) * (2 * 1024 * 1024 * 256 // 256)
ds.save_as(sys.argv[1], write_like_original=False)
print(os.path.getsize(sys.argv[1]))
PY
)

# Starts storescp on a free port with that environment and those options and sets scp_port.
start_storescp() {
  scp_port=$(free_port)
  local log="$scratch/storescp$scp_port.log"
  env "$1" storescp --ignore -aet STORESCP "${@:2}" "$scp_port" >"$log" 2>&1 &
  pids+=($!)
  if ! wait_for_port "$scp_port" "${pids[-1]}"; then
    echo "store_bench: storescp did not start" >&2
    cat "$log" >&2
    exit 1
  fi
}
start_storescp TCP_NODELAY=1
store_port=$scp_port
# An authority and, signed by it, the receiver's certificate and the sender's.
tls="$scratch/tls"
mkdir -p "$tls"
make_cert() {
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj "/CN=$1" \
    -keyout "$tls/$1.key" -out "$tls/$1.crt" "${@:2}" 2>/dev/null
}
make_cert ca
make_cert localhost -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -addext \
  "subjectAltName=IP:127.0.0.1,DNS:localhost"
make_cert sender -CA "$tls/ca.crt" -CAkey "$tls/ca.key"
start_storescp TCP_NODELAY=1 +tls "$tls/localhost.key" "$tls/localhost.crt" +cf "$tls/ca.crt"
tls_port=$scp_port
start_storescp TCP_NODELAY=1 --max-pdu 131072
wide_port=$scp_port
start_storescp -uTCP_NODELAY
nagle_port=$scp_port
# The one peer that keeps what it receives, as our receiver does.
keep_port=$(free_port)
env TCP_NODELAY=1 storescp -aet STORESCP -od "$scratch/received/storescp" "$keep_port" \
  >"$scratch/storescp$keep_port.log" 2>&1 &
pids+=($!)
wait_for_port "$keep_port" "${pids[-1]}" || { echo "store_bench: storescp did not start" >&2; exit 1; }
start_find_peer 1000
find_port=$peer_port
start_find_peer 0
empty_port=$peer_port

echo "  commands..." >&2
python3 - "$result" "$bin/dicomnet" "$store_port" "$find_port" "$empty_port" "$scratch" \
  "$big_bytes" "$series_bytes" "$wide_port" "$nagle_port" "$single_bytes" "$frames_bytes" \
  "$small_bytes" "$tls_port" "$tls" "$stream_bytes" "$keep_port" <<'EOF'
import glob, json, os, resource, signal, socket, statistics, subprocess, sys, time

result, dicomnet, store_port, find_port, empty_port, scratch = sys.argv[1:7]
big_bytes, series_bytes = int(sys.argv[7]), int(sys.argv[8])
wide_port, nagle_port = sys.argv[9:11]
single_bytes, frames_bytes, small_bytes = (int(a) for a in sys.argv[11:14])
tls_port, tls = sys.argv[14:16]
stream_bytes, keep_port = int(sys.argv[16]), sys.argv[17]
objects = lambda name: sorted(glob.glob(f"{scratch}/{name}/*.dcm"))
big, series, single, frames, small, stream = (
    objects(name) for name in ("big", "series", "single", "frames", "small", "stream"))
dcmtk_env = dict(os.environ, TCP_NODELAY="1")
only = [p for p in os.environ.get("NETCMD_ONLY", "").split(",") if p]
wanted = lambda name: not only or any(name.startswith(p) for p in only)
received = [f"{scratch}/received/ours", f"{scratch}/received/storescp"]

# Our receiver, started here so that its own peak memory is known when it ends.
with socket.socket() as s:
    s.bind(("127.0.0.1", 0))
    receive_port = str(s.getsockname()[1])
receiver = subprocess.Popen([dicomnet, "receive", "--port", receive_port, "--output-dir",
                             received[0]], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
for _ in range(100):
    try:
        socket.create_connection(("127.0.0.1", int(receive_port)), 1).close()
        break
    except OSError:
        time.sleep(0.1)

# With a PDU size, ours and storescu each send PDUs of at most that many bytes.
def store(files, port=store_port, pdu=None):
    ours = ["--max-send-pdu", str(pdu)] if pdu and pdu != 4096 else []
    theirs = ["--max-send-pdu", str(pdu)] if pdu else []
    return ([dicomnet, "store"] + ours + ["-aec", "STORESCP", "127.0.0.1", port] + files,
            ["storescu", "-xi"] + theirs + ["-aec", "STORESCP", "127.0.0.1", port] + files)

def store_tls(files):
    ours = ["--tls", "--ca-file", f"{tls}/ca.crt", "--cert", f"{tls}/sender.crt",
            "--key", f"{tls}/sender.key"]
    theirs = ["+tls", f"{tls}/sender.key", f"{tls}/sender.crt", "+cf", f"{tls}/ca.crt"]
    plain_ours, plain_theirs = store(files, tls_port)
    return (plain_ours[:2] + ours + plain_ours[2:], plain_theirs[:2] + theirs + plain_theirs[2:])

# Each tool at its defaults, the object in its own syntax.
def store_plain(files):
    return ([dicomnet, "store", "-aec", "STORESCP", "127.0.0.1", store_port] + files,
            ["storescu", "-aec", "STORESCP", "127.0.0.1", store_port] + files)

# storescu sends both times: to our receiver ("ours") and to a storescp that keeps its files.
def receive(files):
    return (["storescu", "-aec", "DICOMNET", "127.0.0.1", receive_port] + files,
            ["storescu", "-aec", "STORESCP", "127.0.0.1", keep_port] + files)

def find(port):
    return ([dicomnet, "find", "-aec", "ANY", "127.0.0.1", port, "-L", "study",
             "-k", "0020,000d", "-k", "0010,0010"],
            ["findscu", "-S", "-aec", "ANY", "-k", "0008,0052=STUDY", "-k", "0020,000d",
             "-k", "0010,0010", "127.0.0.1", port])

# name, runs, bytes, items, (ours, dcmtk); storescu to the Nagle peer waits about 40 ms per object,
# so 2 runs of 80 s are enough there, and they come last: the find peers end after 300 s idle.
cases = [
    ("store/big64", 5, big_bytes, 1, store(big)),
    ("store/series200", 5, series_bytes, 200, store(series)),
    ("store/series200/tls", 5, series_bytes, 200, store_tls(series)),
    ("store/single64/pdu4096", 5, single_bytes, 1, store(single, pdu=4096)),
    ("store/single64/pdu16384", 5, single_bytes, 1, store(single, pdu=16384)),
    ("store/single64/pdu131072", 5, single_bytes, 1, store(single, wide_port, 131072)),
    ("store/single64/default", 5, single_bytes, 1, store(single)),
    ("stream/store512", 3, stream_bytes, 1, store_plain(stream)),
    ("stream/receive512", 3, stream_bytes, 1, receive(stream)),
    ("find/study1000", 10, 0, 1000, find(find_port)),
    ("find/empty", 10, 0, 0, find(empty_port)),
    ("store/nagle2000", 2, small_bytes, 2000, store(small, nagle_port)),
]

def run(command, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=120)
    wall = time.perf_counter() - start
    # What the receivers kept is not wanted: half a gigabyte an object.
    for directory in received:
        for entry in os.listdir(directory):
            os.remove(os.path.join(directory, entry))
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if done.returncode != 0:
        # Once more with its messages, for the report.
        again = subprocess.run(command, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
        tail = again.stderr.decode(errors="replace").strip().splitlines()[-3:]
        raise RuntimeError(f"exit {done.returncode}: {' | '.join(tail)}")
    return wall, cpu

results = {}
for name, runs, size, items, (ours, dcmtk) in cases:
    if not wanted(name):
        continue
    sides = {"ours": (ours, dcmtk_env if ours[0] == "storescu" else None),
             "dcmtk": (dcmtk, dcmtk_env)}
    walls = {side: [] for side in sides}
    cpus = {side: [] for side in sides}
    errors = {}
    # The warm-up stores only the first object: enough to fill the caches and catch failures.
    for side, (command, env) in sides.items():
        try:
            first = len(command) - items + 1
            run(command if name.startswith("find") or items <= 1 else command[:first], env)
        except Exception as e:
            errors[side] = str(e)
    for i in range(runs):
        for side in (["ours", "dcmtk"] if i % 2 == 0 else ["dcmtk", "ours"]):
            if side in errors:
                continue
            try:
                wall, cpu = run(*sides[side])
            except Exception as e:
                errors[side] = str(e)
                continue
            walls[side].append(wall)
            cpus[side].append(cpu)
    entry = {"bytes": size, "items": items, "runs": runs}
    for side in sides:
        if side in errors:
            entry[side] = {"error": errors[side]}
        else:
            entry[side] = {"wall_s": min(walls[side]), "median_s": statistics.median(walls[side]),
                           "cpu_s": min(cpus[side])}
    results[name] = entry
    print(f"    {name}: " + ", ".join(
        f"{side} {entry[side].get('wall_s', float('nan')) * 1e3:.0f} ms" for side in sides),
        file=sys.stderr)

# Peak resident memory of one invocation, from the rusage of that child alone.
def peak_kib(command):
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        raise RuntimeError(f"exit status {status}")
    return usage.ru_maxrss

# Goals: a ratio to the file's size, or for the streamed stores at most that many MiB.
peaks = [
    ("peak/dump256", frames_bytes, [dicomnet, "dump", frames[0]], 1.2),
    ("peak/store256", frames_bytes, store(frames)[0], {"mib": 64}),
    ("peak/store64", single_bytes, store(single)[0], {"mib": 64}),
    ("peak/store512", stream_bytes, store_plain(stream)[0], {"mib": 64}),
]
for name, size, command, goal in peaks:
    if not wanted(name):
        continue
    try:
        kib = max(peak_kib(command) for _ in range(3))
        results[name] = {"bytes": size, "goal": goal, "peak_kib": kib}
    except Exception as e:
        results[name] = {"bytes": size, "goal": goal, "error": str(e)}
    print(f"    {name}: {results[name].get('peak_kib', 0) / 1024:.0f} MiB", file=sys.stderr)

receiver.send_signal(signal.SIGTERM)
_, status, usage = os.wait4(receiver.pid, 0)
if wanted("peak/receive512"):
    results["peak/receive512"] = {"bytes": stream_bytes, "goal": {"mib": 64},
                                  "peak_kib": usage.ru_maxrss}
    if status != 0:
        results["peak/receive512"]["error"] = f"exit status {status}"
    print(f"    peak/receive512: {usage.ru_maxrss / 1024:.0f} MiB", file=sys.stderr)

json.dump(results, open(result, "w"), indent=1)
EOF
