#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated unit on a free loopback
# port and QORA Manager against it, with a settings folder and node directory
# of their own, so that a user's own settings are never touched.
#
#   scripts/run.sh          the desktop program (under Xvfb when there is no display)
#   scripts/run.sh --cli    the command-line companion's quick checks instead
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target qora-unit-sim qora-cli QORAManager qora-firmware-gen

bin=build/default/bin
work=$(mktemp -d)
mkdir -p "$work/config" "$work/firmware"
# A sample firmware release to download: a master file and the image it names.
"$bin/qora-firmware-gen" --out "$work/firmware" --image QOR0310.bin --software QOR0310 --size 200000 \
  --master QOR0310.MFI >/dev/null
coproc SIM { exec "$bin/qora-unit-sim" --listen 127.0.0.1:0 --state "$work/unit.json" \
                   --directory "$work/nodes.json" --reboot-ms 5000 --verification-polls 2; }
trap 'kill "$SIM_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
read -r first_line <&"${SIM[0]}"
endpoint=${first_line#listening on }
echo "Simulated unit: $endpoint (node directory $work/nodes.json)"

export XDG_CONFIG_HOME="$work/config"   # the program's settings stay in here
export QORA_RKS_GATEWAY="$endpoint"     # the local connection reaches the simulator
export QORA_RKS_DIRECTORY="$work/nodes.json"

if [ "${1:-}" = "--cli" ]; then
  echo "\$ qora-cli identify"
  "$bin/qora-cli" identify
  echo "\$ qora-cli raw 84091701009004   (version block)"
  "$bin/qora-cli" raw 84091701009004
  exit 0
fi

cat <<TEXT
QORA Manager starts now. Try: Run > Local Connection, Run > Commission Mode,
Maintenance > Reset QORA... (the tool reconnects by itself after the retry time),
Run > Disconnect, and Run > Remote Connection... to pick the unit in the browser.
Firmware: in commission mode, Maintenance > SW Download... and pick
  $work/firmware/QOR0310.MFI
(the unit verifies it, then SW Activation makes it the running firmware).
TEXT
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/QORAManager"
else
  echo "No display: running under Xvfb."
  xvfb-run -a "$bin/QORAManager"
fi
