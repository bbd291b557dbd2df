#!/usr/bin/env bash
# Renders the icon's PNGs, kept in the repository beside their sources so that building needs no
# SVG renderer: sondrel-16.png from sondrel-16.svg (drawn on whole pixels for that size), the
# others from sondrel.svg. Needs rsvg-convert (Debian package librsvg2-bin). Run it after changing
# either SVG, from any folder.
set -euo pipefail
cd "$(dirname "$0")"
rsvg-convert --width 16 --height 16 sondrel-16.svg --output sondrel-16.png
for size in 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" sondrel.svg --output "sondrel-$size.png"
done
