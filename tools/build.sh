#!/usr/bin/env bash
# Configures and builds Mirelon into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRELON_WARNINGS_AS_ERRORS=ON
cmake --build build --parallel "$(nproc)"
