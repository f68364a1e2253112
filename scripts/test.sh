#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
#   scripts/test.sh            the normal build
#   scripts/test.sh sanitize   under AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-default}"
scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" -j "$(nproc)"
