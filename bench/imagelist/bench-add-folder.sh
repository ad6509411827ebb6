#!/usr/bin/env bash
# Adds a folder of 1000 JPEG files of 4000 x 3000 pixels to the image list and prints files per
# second and peak memory; then the same for 1000 files of 40 x 30 pixels, to show that memory
# does not grow with the pictures' pixel count.
# Usage: bench/imagelist/bench-add-folder.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
ninja -C "$build" -j2 bench_imagelist_add >/dev/null
bench="$build/bench/imagelist/bench_imagelist_add"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" MIRELON_SERVICE_HOST=127.0.0.1:9

for size in "4000 3000" "40 30"; do
  read -r width height <<<"$size"
  folder="$work/${width}x${height}"
  "$bench" generate "$folder" 1000 "$width" "$height"
  echo "== 1000 JPEG files of $width x $height ($(du -sh "$folder" | cut -f1) on disk)"
  "$bench" add "$folder"
  /usr/bin/time -f "peak resident memory of the whole process (/usr/bin/time): %M KiB" "$bench" add "$folder" >/dev/null
done
