#!/usr/bin/env bash
# Installs what Mirelon needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
exec build/mirelon
