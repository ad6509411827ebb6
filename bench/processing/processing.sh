#!/usr/bin/env bash
# Time per image of each action in each output format, against the floor of a bare PHP run that
# only decodes the same image and writes it in the same format. Usage: bench/processing/processing.sh [images] [repeats]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja >/dev/null
ninja -C build -j2 bench_processing >/dev/null
exec build/bench/processing/bench_processing "$@"
