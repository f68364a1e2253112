#!/usr/bin/env bash
# Builds the Debian package and prints its path.
#   scripts/package.sh            from the optimised build (build/release)
#   scripts/package.sh PRESET     from another configure preset's build folder
# Installs what is missing first. QORA_TEST_JOBS limits the parallel build jobs.
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-release}"
jobs="${QORA_TEST_JOBS:-$(nproc)}"

# Everything but the path goes to standard error, so that
# `deb=$(scripts/package.sh)` takes the path alone.
scripts/install-deps.sh >&2
cmake --preset "$preset" >&2
cmake --build --preset "$preset" -j "$jobs" --target package >&2

build_dir="build/$preset"
deb=$(ls -t "$build_dir"/package/qora-manager_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  echo "package.sh: no package was made in $build_dir/package" >&2
  exit 1
fi
echo "$PWD/$deb"
