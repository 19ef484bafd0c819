#!/usr/bin/env bash
# Installs what is missing, builds the release and asan presets and runs every test in both, then
# the demo of run.sh offscreen; the benchmarks are built too, so that they cannot rot, but not run
# (bench/run.sh runs them), and each fuzz target runs briefly from its corpus, with a fixed seed.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
jobs=$(nproc)
for preset in release asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done
echo "=== run.sh without a display: the demo archive, offscreen"
env -u DISPLAY -u WAYLAND_DISPLAY IMAGEHOST_BUILD_DIR=build/release ./run.sh
echo "=== bench (build only)"
cmake --preset bench
cmake --build --preset bench -j"$jobs"
echo "=== fuzz (20 s a target)"
fuzz/run.sh 20
