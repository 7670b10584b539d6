#!/usr/bin/env bash
# Renders the program's icon data/icons/tornel4.svg into the PNG sizes of the hicolor theme,
# data/icons/hicolor/NxN/tornel4.png. Run by hand after changing the SVG, and commit the PNGs:
# the build uses the committed files, so it needs no SVG renderer. Needs rsvg-convert
# (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" tornel4.svg -o "hicolor/${size}x${size}/tornel4.png"
done
