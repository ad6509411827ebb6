#!/usr/bin/env bash
# Runs the face detection benchmark against the build tree.
#   bench/facedetector/run.sh [BUILD_DIR] [benchmark.php options, e.g. --runs 5 --skip-large]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
shift || true
faces="${MIRELON_SHARED_DIR:-$root/../shared}/faces"
[ -d "$faces" ] || faces=/work/shared/faces
exec php "$here/benchmark.php" --runtime "$build" --faces "$faces" "$@"
