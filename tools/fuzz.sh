#!/usr/bin/env bash
# Builds the fuzzers of the picture decoders and the orientation tag reader (clang,
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs each for a given time:
#   tools/fuzz.sh [SECONDS] [TARGET ...]      (default: 600 seconds, every target)
# Environment: JOBS fuzzers at once (default 2), BUILD_DIR (default build-fuzz). Each target keeps
# its corpus in BUILD_DIR/corpus/TARGET between runs; crashing, leaking, slow or memory-hungry
# inputs land in BUILD_DIR/findings/TARGET/, and the last lines of each run in
# BUILD_DIR/logs/TARGET.log. Small findings belong in tests/facedetector/hostile/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
build=${BUILD_DIR:-build-fuzz}
jobs=${JOBS:-2}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_bmp fuzz_gif fuzz_jpeg fuzz_png fuzz_webp fuzz_tiff fuzz_heif fuzz_list_headers
                                     fuzz_orientation fuzz_image_file fuzz_video)

CC=${CC:-clang-14} CXX=${CXX:-clang++-14} cmake -S tests/facedetector/fuzz -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"
php tests/facedetector/fuzz/make_seeds.php "$build/seeds"
# Video seeds: three frames of 32 x 32 in each container, with sound.
mkdir -p "$build/seeds/video"
for seed in mp4:libx264 mkv:libx264 webm:libvpx-vp9 avi:mpeg4; do
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=32x32:rate=25 -f lavfi -i sine -t 0.12 \
    -c:v "${seed#*:}" -shortest "$build/seeds/video/seed.${seed%%:*}"
done
mkdir -p "$build/logs"

run_one() {
  local target=$1 seeds=${1#fuzz_}
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  # Per input at most 10 s and 1 GB (sanitizers included): slower or larger counts as a finding.
  nice -n 10 "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=20000 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target/" \
    "$build/corpus/$target" "$build/seeds/$seeds" >"$build/logs/$target.log" 2>&1 || true
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/logs/$target.log" | grep -o '[0-9]*$' || echo '?')
  echo "$target: ${runs} executions, findings: $(ls "$build/findings/$target" | wc -l)"
}
export -f run_one
export build seconds
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'
