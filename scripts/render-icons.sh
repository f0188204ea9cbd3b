#!/usr/bin/env bash
# Renders the program icon's PNG sizes from its SVG drawings into
# resources/icons/nolvex-<N>.png. The PNGs are kept in the repository, so the
# build needs no SVG renderer; run this after changing a drawing.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
icons="$here/resources/icons"

# 16 to 24 pixels come from the simplified drawing, the rest from the full one.
for size in 16 22 24; do
    rsvg-convert -w "$size" -h "$size" "$icons/nolvex-small.svg" -o "$icons/nolvex-$size.png"
done
for size in 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$icons/nolvex.svg" -o "$icons/nolvex-$size.png"
done
