#!/usr/bin/env bash
# mirelon-convert --jobs 1 and --jobs 2 against the window's own run (Blur, JPG, real detection),
# and its peak memory. Usage: bench/processing/convert.sh [pictures] [rounds]   (defaults 200, 3)
set -euo pipefail
cd "$(dirname "$0")/../.."
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja >/dev/null
ninja -C build -j2 bench_convert >/dev/null
exec build/bench/processing/bench_convert "$@"
