#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those that are missing.
set -euo pipefail

# Qt: the dialog layer and the host program (the private headers for one test that queues input as
# the window system does; lrelease and lupdate for the host's translations, and Qt's own German and
# French texts); DejaVu: the fonts that offscreen windows and screenshots draw with.
# The pixel codecs: libjpeg-turbo, CharLS, OpenJPEG and zlib; OpenSSL for DICOM over TLS. GDCM's and
# OpenJPH's tools make compressed test data, as DCMTK's do. lintian judges the .deb in a test.
packages=(cmake g++ clang make pkg-config python3 libgtest-dev libbenchmark-dev dcmtk libdcmtk-dev python3-pydicom
  orthanc qt6-base-dev qt6-base-private-dev qt6-l10n-tools qt6-translations-l10n fonts-dejavu-core
  libjpeg62-turbo-dev libcharls-dev libopenjp2-7-dev zlib1g-dev libssl-dev openssl
  libgdcm-tools openjph-tools lintian)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
