#!/usr/bin/env bash
# Renders the PNG icons from vantrel.svg; run by hand after changing the picture
# (needs rsvg-convert, Debian package librsvg2-bin). The PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")"
for size in 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" vantrel.svg -o "icons/vantrel-$size.png"
done
