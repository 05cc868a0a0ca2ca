#!/usr/bin/env bash
# Redraws the program's pictures from their sources in resources/art/*.mvg
# (ImageMagick drawing commands) and writes the committed outputs:
#   resources/Marovan.ico            the application icon, 16 to 256 px
#   resources/buttons/*.ico          the five main-window buttons, 32 to 64 px
#   resources/ProgramPicture.png     the About picture, 300 x 300 RGBA
#   resources/Banner.png             the About banner, 100 x 30 RGBA
# The outputs are byte-for-byte the same on every run: no dates, no comments.
# The program's own PNG reader takes only non-interlaced 8-bit RGBA, RGB,
# grey or palette files, so the PNGs are written as plain 8-bit RGBA.
set -euo pipefail
cd "$(dirname "$0")/.."

art=resources/art
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The real ImageMagick, not a wrapper that may sit earlier on PATH.
magick=/usr/bin/convert
[[ -x $magick ]] || magick=convert

png_options=(-strip -define 'png:exclude-chunks=date,time' -interlace none -depth 8)

# render SOURCE SIZE OUTPUT: draws the 256-unit source four times larger than
# SIZE and averages it down, which gives smooth edges at every size.
render() {
  local source=$1 size=$2 output=$3
  local big=$((size * 4))
  local drawing
  drawing=$(grep -v '^[[:space:]]*#' "$source")
  "$magick" -size "${big}x${big}" xc:none \
    -draw "scale $(awk -v s="$big" 'BEGIN { printf "%.6f,%.6f", s / 256, s / 256 }') $drawing" \
    -scale "${size}x${size}" "${png_options[@]}" "PNG32:$output"
}

# icon OUTPUT SOURCE SIZE...: one icon file holding the source at each size.
icon() {
  local output=$1 source=$2
  shift 2
  local frames=()
  for size in "$@"; do
    render "$source" "$size" "$work/$(basename "$source" .mvg)-$size.png"
    frames+=("$work/$(basename "$source" .mvg)-$size.png")
  done
  "$magick" "${frames[@]}" -strip "$output"
}

icon resources/Marovan.ico "$art/marovan.mvg" 16 24 32 48 64 256
for button in collect clear details option info; do
  icon "resources/buttons/$button.ico" "$art/$button.mvg" 32 48 64
done

render "$art/marovan.mvg" 300 resources/ProgramPicture.png

drawing=$(grep -v '^[[:space:]]*#' "$art/banner.mvg")
"$magick" -size 400x120 xc:none -draw "$drawing" -scale 100x30 "${png_options[@]}" \
  PNG32:resources/Banner.png

echo "pictures written"
