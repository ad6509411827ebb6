#!/usr/bin/env bash
# The review pane under load: the event loop's longest stall while 50 photos are reviewed one
# after another (each searched ahead by the real engine), and the whole window's memory with 1000
# reviewed entries. Photos: the JPEG files of ../shared/faces, copied under new names.
# Usage: bench/review/review.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
faces=${FACES:-../shared/faces}
ninja -C "$build" -j2 bench_review >/dev/null
bench="$build/bench/review/bench_review"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/photos" "$work/many"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" MIRELON_SERVICE_HOST=127.0.0.1:9
mapfile -t photos < <(ls "$faces"/*.jpg)
for i in $(seq 0 49); do
  cp "${photos[$((i % ${#photos[@]}))]}" "$work/photos/$(printf 'photo%02d.jpg' "$i")"
done
for i in $(seq 0 999); do
  ln "$work/photos/$(printf 'photo%02d.jpg' $((i % 50)))" "$work/many/$(printf 'photo%04d.jpg' "$i")"
done
echo "== 50 photos ($(du -sh "$work/photos" | cut -f1)), reviewed one after another"
"$bench" stall "$work/photos"
echo "== 1000 reviewed entries"
"$bench" memory "$work/many"
/usr/bin/time -f "peak resident memory of the whole process (/usr/bin/time): %M KiB" "$bench" memory "$work/many" >/dev/null
