#!/usr/bin/env bash
# Installs the Debian packages of the groups named as arguments, each package with its reason:
#   run      what building and running the window and the command line need (`make run`)
#   test     the test suite, the benchmarks and the fuzz targets (`make test`, `make bench`)
#   package  the Debian package (`make package`)
# No argument: every group. Idempotent: checks with dpkg first and touches apt only when
# something is missing. Quiet when everything is present. As root it installs directly,
# otherwise through sudo; without sudo it names what is missing and the one command to run as
# root.
set -euo pipefail

run=(
  # build: compiler, build tools, and pkg-config, through which CMake finds libpulse
  g++ make cmake ninja-build pkg-config
  # the window: Qt 6 Widgets (with the offscreen platform the tests use), Qt's X11 platform
  # plugin to show it on a desktop, the OpenGL headers Qt's CMake files ask for, the charts
  qt6-base-dev qt6-qpa-plugins libgl-dev libqcustomplot-dev
  # Qt's own texts in Russian: the standard file dialogs, the context menus
  qt6-translations-l10n
  # sound: the PulseAudio client library the program plays through
  libpulse-dev
  # the command line's JSON output
  nlohmann-json3-dev
  # keying the transmitter: hamlib, for CAT and rigctld
  libhamlib-dev
  # fonts the window's design fonts map to (metric twins of the Windows fonts; Cyrillic
  # fallback): without a font every letter is a box
  fonts-liberation fonts-dejavu-core
)

test=(
  # GoogleTest and Google Benchmark
  libgtest-dev libgmock-dev libbenchmark-dev
  # a private PulseAudio server (with pactl to set it up) that records what the end-to-end
  # tests play
  pulseaudio pulseaudio-utils
  # fuzz targets in the test suite: clang 14 with libFuzzer and the sanitizers
  clang-14 libclang-rt-14-dev
  # tests of the installed files: the menu entry, the AppStream metainfo, the manual pages
  desktop-file-utils appstream man-db
  # the package's checks in the suite read the binaries' dependencies like `make package`
  dpkg-dev file
  # tests of the keying: hamlib's rigctld with its dummy rig
  libhamlib-utils
  # the core on other targets and the browser edition: Debian's emscripten, the arm64 cross
  # compiler with qemu-user to run its programs, Node for WebAssembly and the page's tests,
  # headless Chromium for the page's tests
  emscripten g++-aarch64-linux-gnu qemu-user nodejs chromium
)

package=(
  # the package's dependencies are read from the binaries
  dpkg-dev file
)

groups=("$@")
[ ${#groups[@]} -eq 0 ] && groups=(run test package)

packages=()
for group in "${groups[@]}"; do
  case "$group" in
    run) packages+=("${run[@]}") ;;
    test) packages+=("${test[@]}") ;;
    package) packages+=("${package[@]}") ;;
    *) echo "install-deps.sh: unknown group '$group' (run, test, package)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

install="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"

# Without root and without a working sudo: say what is missing and how to install it.
explain() {
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Install them with this one command, run as root (su asks for the root password)," >&2
  echo "then run make again:" >&2
  echo >&2
  echo "  su -c '$install'" >&2
  exit 1
}

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
elif command -v sudo > /dev/null; then
  echo "Installing with sudo: ${missing[*]}"
  { sudo apt-get update -qq && sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; } || explain
else
  explain
fi
