#!/usr/bin/env bash
# The network commands against DCMTK's, each pair against the same peer on 127.0.0.1:
#   store  dicomnet store vs storescu -xi (both send implicit VR little endian) to storescp --ignore:
#          one 64 MB object (32 MiB pixel data + 32 MiB overlay data), then 200 objects of 0.5 MiB
#          in one invocation
#   find   dicomnet find vs findscu on bench/find_peer answering 1,000 study matches from memory;
#          again with a peer answering none, which gives the fixed cost of an invocation
# Every command runs once to warm up, then in alternating order; the fastest run counts. Results go
# to <results>/netcmd.json. Expects the bench preset built (run.sh builds it).
#
# DCMTK's tools leave Nagle's algorithm on unless TCP_NODELAY=1 is in their environment. Then each
# C-STORE-RSP of storescp waits for a delayed acknowledgement (about 40 ms per object, whichever
# client sends), so every DCMTK tool here runs with TCP_NODELAY=1, as our client always does.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/bench/bin
out=${1:-build/bench/results}
mkdir -p "$out"
result="$out/netcmd.json"

for tool in storescp storescu findscu; do
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

store_port=$(free_port)
TCP_NODELAY=1 storescp --ignore -aet STORESCP "$store_port" >"$scratch/storescp.log" 2>&1 &
pids+=($!)
if ! wait_for_port "$store_port" "${pids[-1]}"; then
  echo "store_bench: storescp did not start" >&2
  cat "$scratch/storescp.log" >&2
  exit 1
fi
start_find_peer 1000
find_port=$peer_port
start_find_peer 0
empty_port=$peer_port

echo "  commands..." >&2
python3 - "$result" "$bin/dicomnet" "$store_port" "$find_port" "$empty_port" "$scratch" \
  "$big_bytes" "$series_bytes" <<'EOF'
import glob, json, os, resource, statistics, subprocess, sys, time

result, dicomnet, store_port, find_port, empty_port, scratch = sys.argv[1:7]
big_bytes, series_bytes = int(sys.argv[7]), int(sys.argv[8])
big = sorted(glob.glob(f"{scratch}/big/*.dcm"))
series = sorted(glob.glob(f"{scratch}/series/*.dcm"))
dcmtk_env = dict(os.environ, TCP_NODELAY="1")

def store(files):
    return ([dicomnet, "store", "-aec", "STORESCP", "127.0.0.1", store_port] + files,
            ["storescu", "-xi", "-aec", "STORESCP", "127.0.0.1", store_port] + files)

def find(port):
    return ([dicomnet, "find", "-aec", "ANY", "127.0.0.1", port, "-L", "study",
             "-k", "0020,000d", "-k", "0010,0010"],
            ["findscu", "-S", "-aec", "ANY", "-k", "0008,0052=STUDY", "-k", "0020,000d",
             "-k", "0010,0010", "127.0.0.1", port])

# name, runs, bytes, items, (ours, dcmtk)
cases = [
    ("store/big64", 5, big_bytes, 1, store(big)),
    ("store/series200", 5, series_bytes, 200, store(series)),
    ("find/study1000", 10, 0, 1000, find(find_port)),
    ("find/empty", 10, 0, 0, find(empty_port)),
]

def run(command, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=120)
    wall = time.perf_counter() - start
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
    sides = {"ours": (ours, None), "dcmtk": (dcmtk, dcmtk_env)}
    walls = {side: [] for side in sides}
    cpus = {side: [] for side in sides}
    errors = {}
    for side, (command, env) in sides.items():
        try:
            run(command, env)
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

json.dump(results, open(result, "w"), indent=1)
EOF
