#!/usr/bin/env bash
# The run as the user follows it: progress display against none over 200 small images, then
# Stop during a 50-megapixel photo. Usage: bench/processing/run.sh [images] [rounds]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja >/dev/null
ninja -C build -j2 bench_run >/dev/null
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
build/bench/processing/bench_run progress "${1:-200}" "${2:-5}"
echo
build/bench/processing/bench_run stop 50 5
echo
build/bench/processing/bench_run jobs 200 3
