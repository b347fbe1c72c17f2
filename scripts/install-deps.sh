#!/usr/bin/env bash
# Installs everything the editor, its tests, benchmarks and fuzzers need on Debian 12.
# Idempotent: does nothing when every package is already there.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic
  libpng-dev libjpeg62-turbo-dev libgif-dev libwebp-dev libtiff-dev
  xvfb xauth xdotool x11-utils openbox
  clang libclang-rt-14-dev
  imagemagick python3-pil libjpeg-turbo-progs
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
