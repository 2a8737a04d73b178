#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# only those that are missing.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev qt6-base-dev qt6-svg-dev
  libtiff-tools imagemagick python3-pil python3-numpy python3-tifffile
  xvfb x11-common x11-utils libx11-dev
)

# Installed means "install ok installed": a removed package whose
# configuration files remain is still known to dpkg, but not installed.
installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
