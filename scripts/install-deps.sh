#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and
# the window need. Idempotent: checks with dpkg first and touches apt only when
# something is missing. Quiet when everything is present.
set -euo pipefail

packages=(
  # toolchain
  g++ make cmake ninja-build pkg-config clang-14 libclang-rt-14-dev
  # window, charts, sound
  qt6-base-dev qt6-qpa-plugins libgl-dev libqcustomplot-dev libpulse-dev
  # command line output
  nlohmann-json3-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev pulseaudio pulseaudio-utils sox
  xvfb xauth xdotool x11-utils imagemagick
  # fonts: metric twins of the Windows fonts, Cyrillic fallback
  fonts-liberation fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
