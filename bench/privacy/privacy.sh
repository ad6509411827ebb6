#!/usr/bin/env bash
# Privacy benchmark of Blur: can the covered faces still be recognised or found?
#
# usage: bench/privacy/privacy.sh [build folder] [PICTURE ...]
#   default pictures: ../shared/faces/bald_guys.jpg (4 people, 6 photos each, labelled in
#   bald_guys.persons.txt) and the four PASCAL pictures beside it (small faces).
#
# For each picture (a copy in a temporary folder) mirelon-convert exports the face boxes and
# blurs the faces into PNG; the engine searches the blurred picture again (a face counts as found
# again when a box there overlaps its original box); then measure.mjs compares each original face
# with the blurred picture at the original's landmarks. Needs Node and, once, `npm install` in
# bench/privacy (it then runs offline); the product and the tests never need either.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
[ $# -gt 0 ] && shift
build=$(cd "$build" && pwd)
shared=$root/../shared/faces
if [ $# -eq 0 ]; then
  set -- "$shared/bald_guys.jpg" "$shared/2007_007763.jpg" "$shared/2008_001009.jpg" "$shared/2008_001322.jpg" "$shared/2008_002079.jpg"
fi
[ -x "$build/mirelon-convert" ] || { echo "privacy.sh: no mirelon-convert in $build" >&2; exit 2; }
[ -d "$here/node_modules/@vladmandic/face-api" ] || { echo "privacy.sh: run 'npm install' in $here first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-privacy.XXXXXX")
trap 'rm -rf "$work"' EXIT

labelled=()
unlabelled=()
total=0
again=0
for picture in "$@"; do
  name=$(basename "$picture")
  d=$work/${name%.*}
  mkdir -p "$d/export" "$d/blur"
  cp -- "$picture" "$d/$name"
  "$build/mirelon-convert" --action export --jobs 1 --destination "$d/export" "$d/$name" >/dev/null 2>"$d/log" || { cat "$d/log" >&2; exit 1; }
  sed -n 's/^x: \([0-9]*\), y: \([0-9]*\), width: \([0-9]*\), height: \([0-9]*\)$/\1 \2 \3 \4/p' "$d/export/${name%.*}.txt" >"$d/boxes"
  "$build/mirelon-convert" --action blur --format png --jobs 1 --destination "$d/blur" "$d/$name" >/dev/null 2>"$d/log" || { cat "$d/log" >&2; exit 1; }
  blurred=$d/blur/${name%.*}.png
  "$build/mirelon-facedetect" -- "$blurred" >"$d/again"
  # A face is found again when a box in the blurred picture overlaps its box by a third or more
  # (intersection over union).
  found=$(awk 'FILENAME == ARGV[1] { a[++n] = $0; next }
    { split($0, f, " "); hit = 0
      for (i = 1; i <= n; i++) { split(a[i], g, " ")
        w = (f[1] + f[3] < g[1] + g[3] ? f[1] + f[3] : g[1] + g[3]) - (f[1] > g[1] ? f[1] : g[1])
        h = (f[2] + f[4] < g[2] + g[4] ? f[2] + f[4] : g[2] + g[4]) - (f[2] > g[2] ? f[2] : g[2])
        if (w > 0 && h > 0 && w * h / (f[3] * f[4] + g[3] * g[4] - w * h) >= 1 / 3) hit = 1 }
      found += hit }
    END { print found + 0 }' "$d/again" "$d/boxes")
  faces=$(wc -l <"$d/boxes")
  echo "$name: $faces faces; found again by the engine in the blurred picture: $found"
  total=$((total + faces))
  again=$((again + found))
  if grep -q "^$name " "$here/bald_guys.persons.txt"; then labelled+=("$d/$name" "$blurred" "$d/boxes")
  else unlabelled+=("$d/$name" "$blurred" "$d/boxes"); fi
done
echo "found again by the engine: $again of $total faces"

if [ ${#labelled[@]} -gt 0 ]; then
  echo; echo "== labelled pictures (re-identification, identification, calibration)"
  node "$here/measure.mjs" --labels "$here/bald_guys.persons.txt" "${labelled[@]}"
fi
if [ ${#unlabelled[@]} -gt 0 ]; then
  echo; echo "== other pictures (re-identification)"
  node "$here/measure.mjs" "${unlabelled[@]}"
fi
