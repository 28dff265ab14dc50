#!/usr/bin/env bash
# Renders the pictures under resources/ from their SVG sources (needs rsvg-convert and
# ImageMagick's convert). The PNGs and the .ico are committed; run this after editing an SVG.
set -euo pipefail
art=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$art")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

rsvg-convert -w 465 -h 164 "$art/splash.svg" -o "$tmp/splash.png"
rsvg-convert -w 281 -h 51 "$art/logo.svg" -o "$tmp/logo.png"
# The pictures are opaque 24-bit images.
/usr/bin/convert "$tmp/splash.png" -background white -flatten -type TrueColor "PNG24:$out/splash.png"
/usr/bin/convert "$tmp/logo.png" -background white -flatten -type TrueColor "PNG24:$out/logo.png"

rsvg-convert -w 48 -h 48 "$art/icon.svg" -o "$out/icon.png"
for size in 16 32 48 256; do
    rsvg-convert -w $size -h $size "$art/icon.svg" -o "$tmp/icon-$size.png"
done
/usr/bin/convert "$tmp/icon-16.png" "$tmp/icon-32.png" "$tmp/icon-48.png" "$tmp/icon-256.png" \
    "$out/tginfo.ico"

# The desktop's launcher icons (hicolor theme); the SVG itself is installed as the scalable one.
mkdir -p "$out/desktop/icons"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w $size -h $size "$art/icon.svg" -o "$out/desktop/icons/tginfo-$size.png"
done
