#!/usr/bin/env bash
# Installs what is missing and builds the release preset: build/release/bin/dicomnet.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake --preset release
cmake --build --preset release -j"$(nproc)"
