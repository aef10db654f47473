#!/usr/bin/env bash
# Draws the program icon (a speaker with sound waves) with ImageMagick and writes the
# multi-size icon that the program and the setup folder use: sample/Setup.ico.
set -euo pipefail
cd "$(dirname "$0")/../.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Sound waves as short line segments (IM6 closes stroked paths and polylines).
wave() {  # radius -> segments of an arc of +-55 degrees around the cone's tip
  awk -v r="$1" 'BEGIN { d = 3.14159265 / 180
    for (a = -55; a < 55; a += 5)
      printf "line %.1f,%.1f %.1f,%.1f ", 136 + r * cos(a * d), 128 + r * sin(a * d),
             136 + r * cos((a + 5) * d), 128 + r * sin((a + 5) * d) }'
}
convert -size 256x256 xc:none \
  -fill '#1f5fa8' -stroke '#0d3563' -strokewidth 6 \
  -draw 'roundrectangle 28,92 84,164 8,8' \
  -draw 'polygon 84,92 146,40 146,216 84,164' \
  -fill none -stroke '#1f5fa8' -strokewidth 14 \
  -draw "stroke-linecap round $(wave 44)" \
  -draw "stroke-linecap round $(wave 84)" \
  -depth 8 "$tmp/256.png"
for s in 16 24 32 48 64 128; do
  convert "$tmp/256.png" -resize "${s}x${s}" "$tmp/$s.png"
done
convert "$tmp/16.png" "$tmp/24.png" "$tmp/32.png" "$tmp/48.png" "$tmp/64.png" \
  "$tmp/128.png" "$tmp/256.png" sample/Setup.ico
identify sample/Setup.ico
