#!/usr/bin/env bash
# The whole system in one command. Installs what is missing, builds the release preset, starts a
# private Orthanc on loopback (its configuration, storage and free ports in a temporary directory,
# the host's AE title registered as a modality at the host's receive port), loads generated sample
# studies into it through our own export (dicomnet store) and starts imagehost with its
# preferences pointing at that archive and the browser open. Everything it started is stopped
# and the temporary directory removed when the host exits, whatever happens.
#
#   ./run.sh                                   the demo archive, in a window
#   ./run.sh --archive HOST PORT AE [--aet AE] [--port PORT]
#                                              imagehost against an archive of one's own: its
#                                              host, port and called AE title, the host's own AE
#                                              title (IMAGEHOST) and receive port (11112)
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY) the demo runs offscreen as a macro: Update,
# a filter, a retrieve of two images, and the store of an image held back from the archive, twice
# with the duplicate check (stored, then refused as a duplicate). It prints the browser's lists
# and the displays, writes screenshots into demo-screenshots/ and exits 0 only when every step
# worked. IMAGEHOST_BUILD_DIR=DIR takes the programs already built in DIR/bin instead of
# installing and building.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

usage() {
  echo "usage: ./run.sh [--archive HOST PORT AE [--aet AE] [--port PORT]]" >&2
  exit 2
}
step() { echo "==> $*"; }
fail() {
  echo "run.sh: $*" >&2
  exit 1
}

archive_host="" archive_port="" archive_ae="ORTHANC" own_ae="IMAGEHOST" receive_port=""
while [ $# -gt 0 ]; do
  case "$1" in
    --archive)
      [ $# -ge 4 ] || usage
      archive_host=$2 archive_port=$3 archive_ae=$4
      shift 4
      ;;
    --aet)
      [ $# -ge 2 ] || usage
      own_ae=$2
      shift 2
      ;;
    --port)
      [ $# -ge 2 ] || usage
      receive_port=$2
      shift 2
      ;;
    *) usage ;;
  esac
done
demo=true
[ -n "$archive_host" ] && demo=false
windowed=true
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  $demo || fail "no display to show imagehost on (DISPLAY is not set)"
  windowed=false
fi
if ! $demo; then
  [[ "$archive_port" =~ ^[0-9]+$ ]] || fail "the archive's port is no number: $archive_port"
fi
[ -z "$receive_port" ] || [[ "$receive_port" =~ ^[0-9]+$ ]] || fail "--port takes a number"

if [ -n "${IMAGEHOST_BUILD_DIR:-}" ]; then
  bin=$(cd "$IMAGEHOST_BUILD_DIR" && pwd)/bin
else
  step "installing the Debian packages that are missing (tools/install-deps.sh)"
  tools/install-deps.sh || fail "installing the Debian packages failed"
  step "building the release preset into build/release"
  cmake --preset release >/dev/null || fail "configuring the release preset failed"
  cmake --build --preset release -j"$(nproc)" --target imagehost dicomnet dicomplugin ||
    fail "the build failed"
  bin=$root/build/release/bin
fi
for program in imagehost dicomnet libdicomplugin.so; do
  [ -e "$bin/$program" ] || fail "$bin/$program is missing"
done

# Each program we start leads a process group of its own, which the cleanup ends whole: the
# receiver that imagehost starts goes with it.
work=$(mktemp -d "${TMPDIR:-/tmp}/imagehost-demo.XXXXXX")
groups=()
cleanup() {
  local status=$?
  # A second Ctrl+C must not cut the cleanup short.
  trap - EXIT
  trap '' INT TERM
  local group
  for group in "${groups[@]}"; do
    kill -TERM -- "-$group" 2>/dev/null || true
  done
  for group in "${groups[@]}"; do
    for _ in $(seq 50); do
      kill -0 -- "-$group" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$group" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
  [ ${#groups[@]} -eq 0 ] || echo "==> stopped what it started and removed $work"
  exit "$status"
}
trap cleanup EXIT
trap 'echo "run.sh: interrupted" >&2; exit 130' INT
trap 'echo "run.sh: terminated" >&2; exit 143' TERM

# Free ports on loopback, taken at once so that they differ.
read -r orthanc_port http_port free_port < <(/usr/bin/python3 -c '
import socket
sockets = [socket.socket() for _ in range(3)]
for s in sockets:
    s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in sockets))')
[ -n "$receive_port" ] || receive_port=$($demo && echo "$free_port" || echo 11112)

if $demo; then
  archive_host=127.0.0.1 archive_port=$orthanc_port
  step "starting Orthanc as $archive_ae on 127.0.0.1:$orthanc_port (storage in $work)"
  cat >"$work/orthanc.json" <<EOF
{
  "Name": "imagehost-demo", "DicomAet": "$archive_ae", "DicomPort": $orthanc_port,
  "DicomCheckCalledAet": true, "HttpServerEnabled": false, "HttpPort": $http_port,
  "RemoteAccessAllowed": false, "Plugins": [],
  "StorageDirectory": "$work/storage", "IndexDirectory": "$work/index",
  "DicomModalities": {"imagehost": ["$own_ae", "127.0.0.1", $receive_port]}
}
EOF
  setsid /usr/sbin/Orthanc "$work/orthanc.json" >"$work/orthanc.log" 2>&1 &
  groups+=($!)
  for _ in $(seq 300); do
    (exec 3<>"/dev/tcp/127.0.0.1/$orthanc_port") 2>/dev/null && break
    kill -0 "${groups[0]}" 2>/dev/null ||
      fail "Orthanc ended at start; its log:$(echo; tail -20 "$work/orthanc.log")"
    sleep 0.1
  done
  (exec 3<>"/dev/tcp/127.0.0.1/$orthanc_port") 2>/dev/null ||
    fail "Orthanc does not listen on port $orthanc_port after 30 s"

  step "generating the sample studies (tools/make_sample_studies.py)"
  /usr/bin/python3 tools/make_sample_studies.py "$work/samples" ||
    fail "generating the sample studies failed (it needs python3-pydicom)"
  if ! $windowed; then
    # One image stays out, for the host's export to store.
    held_back=$work/held-back.dcm
    mv "$work/samples/p1-st1-se1-im08.dcm" "$held_back"
  fi
  step "loading them into the archive with dicomnet store"
  "$bin/dicomnet" store -aet "$own_ae" -aec "$archive_ae" 127.0.0.1 "$orthanc_port" \
    "$work"/samples/*.dcm >"$work/store.log" ||
    fail "loading the sample studies failed:$(echo; grep -v ': stored' "$work/store.log" | tail -5)"
  echo "    $(grep -c ': stored' "$work/store.log") images stored"
fi

# Preferences of their own, so that the user's are left as they were.
mkdir -p "$work/config/imagehost"
cat >"$work/config/imagehost/imagehost.conf" <<EOF
[General]
archiveHost=$archive_host
archivePort=$archive_port
callingAeTitle=$own_ae
calledAeTitle=$archive_ae
receivePort=$receive_port
checkDuplicate=1
EOF
open_browser="dicomRequest(\"$archive_host\", \"$archive_port\", \"$own_ae\", \"$archive_ae\")"
run_host=(env XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" TMPDIR="$work"
  "$bin/imagehost")

if $windowed; then
  step "starting imagehost as $own_ae (receiving on port $receive_port) with the browser on" \
    "$archive_ae at $archive_host:$archive_port; close it to end"
  # The macro's own output (what dicomRequest answered) is for scripts, not for the user.
  setsid "${run_host[@]}" --stay -e "$open_browser" >/dev/null &
  groups+=($!)
  wait "${groups[-1]}" || fail "imagehost ended with status $?"
  exit 0
fi

shots=$root/demo-screenshots
mkdir -p "$shots"
rm -f "$shots"/*.png
browser='"Dicom Request"'
lists="text($browser, 0)
rows($browser, 6009)
text($browser, 6038)
rows($browser, 6037)
text($browser, 6033)
rows($browser, 6010)
text($browser, 6034)
rows($browser, 6011)"
store_held_back="sendImage(3, \"$archive_host\", \"$archive_port\", \"$own_ae\", \"$archive_ae\", 1)"
macro="$open_browser
waitWindow($browser, 10)
screenshot($browser, \"$shots/1-browser.png\")
click($browser, 6005)
$lists
screenshot($browser, \"$shots/2-browser-filled.png\")
click($browser, 6014)
waitWindow(\"Filter\", 10)
check(\"Filter\", 6024)
setText(\"Filter\", 6016, \"Müller\")
screenshot(\"Filter\", \"$shots/3-filter.png\")
click(\"Filter\", 1)
click($browser, 6005)
text($browser, 6013)
$lists
selectRows($browser, 6011, 0, 1)
screenshot($browser, \"$shots/4-browser-filtered.png\")
click($browser, 6006)
text(\"imagehost\", 0)
displays()
setCurrent(3)
open(\"$held_back\")
$store_held_back
$store_held_back
closeWindow($browser)
screenshot(\"imagehost\", \"$shots/5-imagehost.png\")"

step "no display: the demo runs offscreen as a macro: Update, filter, retrieve, store"
setsid timeout 300 env QT_QPA_PLATFORM=offscreen "${run_host[@]}" -e "$macro" >"$work/macro.out" 2>"$work/macro.err" </dev/null &
groups+=($!)
status=0
wait "${groups[-1]}" || status=$?
# The output, sectioned by the headings the macro reads between the lists.
awk '
  /^Dicom Request$/ { section = "patients"; print "--- patients"; next }
  /^Studies:$/ { section = "studies"; print "--- studies of the first patient"; next }
  /^Series :$/ { section = "series"; print "--- series of the first study"; next }
  /^Images :$/ { section = "images"; print "--- images of the first series"; next }
  /^imagehost$/ { section = "displays"; print "--- displays"; next }
  /^Family Name/ { print "--- filter: " $0; next }
  section == "" { next }
  section == "displays" && NF == 1 { print "--- the held-back image opened into display " $0; next }
  section == "displays" && NF == 2 {
    print (++sent == 1 ? "--- stored with the duplicate check: " : "--- stored again: ") $0
    next
  }
  { print "    " $0 }
' FS='\t' "$work/macro.out"
[ "$status" -eq 0 ] || fail "the macro failed (status $status):$(echo; cat "$work/macro.err")"

# Every step's result, checked against what the sample archive holds.
counts=$(awk '
  /^Dicom Request$/ { pass++; section = "patients"; next }
  /^(Studies:|Series :|Images :)$/ { section = "other"; next }
  /^imagehost$/ { section = "displays"; next }
  section == "patients" { patients[pass]++ }
  section == "patients" && pass == 2 && /^Müller Hans/ { mueller++ }
  section == "displays" && /^[0-9]+\t/ && NF > 2 { displays++ }
  section == "displays" && NF == 2 { stored[++sent] = $1 }
  END { print patients[1] + 0, patients[2] + 0, mueller + 0, displays + 0, stored[1], stored[2] }
' FS='\t' "$work/macro.out")
read -r all filtered mueller displays first again <<<"$counts"
[ "$all" -eq 7 ] || fail "Update listed $all patients, not the 7 of the sample archive"
[ "$filtered" -eq 1 ] || fail "the filter on Müller listed $filtered patients, not 1"
[ "$mueller" -eq 1 ] || fail "the filter on Müller did not list Müller Hans"
[ "$displays" -eq 2 ] || fail "the retrieve filled $displays displays, not 2"
[ "$first" = "0" ] || fail "storing the held-back image answered ${first:-nothing}, not 0"
[ "$again" = "-5" ] || fail "storing it again answered ${again:-nothing}, not -5 (a duplicate)"
for shot in 1-browser 2-browser-filled 3-filter 4-browser-filtered 5-imagehost; do
  [ -s "$shots/$shot.png" ] || fail "the screenshot $shots/$shot.png is missing"
done
step "every step worked; screenshots in $shots"
