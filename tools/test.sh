#!/usr/bin/env bash
# Installs what Mirelon needs, builds it and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900
