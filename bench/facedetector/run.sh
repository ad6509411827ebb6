#!/usr/bin/env bash
# Runs the face detection benchmark against the build tree.
#   bench/facedetector/run.sh [BUILD_DIR] [benchmark.php options: --runs N --sweep --skip-peer --skip-large]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
shift || true
faces="${MIRELON_SHARED_DIR:-$root/../shared}/faces"
[ -d "$faces" ] || faces=/work/shared/faces
# The peer we compare with: Debian's facedetect tool.
if ! command -v facedetect >/dev/null 2>&1; then
  sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends facedetect
fi
exec php "$here/benchmark.php" --runtime "$build" --faces "$faces" "$@"
