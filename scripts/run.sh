#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated unit on a free loopback
# port and talks to it the way an engineer would on site.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target qora-unit-sim qora-cli

bin=build/default/bin
state_dir=$(mktemp -d)
coproc SIM { exec "$bin/qora-unit-sim" --listen 127.0.0.1:0 --state "$state_dir/unit.json"; }
trap 'kill "$SIM_PID" 2>/dev/null || true; rm -rf "$state_dir"' EXIT
read -r first_line <&"${SIM[0]}"
endpoint=${first_line#listening on }
echo "Simulated unit: $endpoint"
export QORA_RKS_GATEWAY="$endpoint"

echo "\$ qora-cli identify"
"$bin/qora-cli" identify
echo "\$ qora-cli raw 8409170100 9004   (version block)"
"$bin/qora-cli" raw 84091701009004
