#!/usr/bin/env bash
# UI thread responsiveness: the longest stall of the tool's event loop during a
# firmware download of a BYTES-byte image (StartDownload's checks and checksum
# included) and during status refreshes of the three status windows, through
# the real link to the simulated unit. Both ends pinned to CPU 0, five runs;
# prints each run and the medians of the maximum and 99th-percentile gaps.
# --traffic-window runs it with the "Unit Traffic" window open and following.
#   bench/run_ui_gap_bench.sh [BUILD_DIR] [BYTES] [--traffic-window]
set -euo pipefail
build=${1:-build/release}
bytes=${2:-4194304}
mode=${3:-}
bin=$build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for program in qora-ui-gap-bench qora-unit-sim qora-firmware-gen; do
  [ -x "$bin/$program" ] || { echo "no $bin/$program; build it first" >&2; exit 1; }
done
"$bin/qora-firmware-gen" --out "$work" --image GAP.bin --software GAP0100 --size "$bytes" --master GAP.MFI >/dev/null

one_run() { # prints the bench's lines for one run
  local line pid endpoint
  coproc SIM { exec taskset -c 0 "$bin/qora-unit-sim" --listen 127.0.0.1:0 --verification-polls 0; }
  pid=$SIM_PID
  read -r line <&"${SIM[0]}"
  endpoint=${line#listening on }
  taskset -c 0 "$bin/qora-ui-gap-bench" $mode "$endpoint" "$work/GAP.MFI" 300 2>"$work/stderr" || true
  kill "$pid"; wait "$pid" 2>/dev/null || true
}

for run in 1 2 3 4 5; do
  one_run | tee -a "$work/all" | sed "s/^/run $run: /"
done
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for phase in download status_show status; do
  max=$(awk -v p=$phase '$1 == p {print $3}' "$work/all" | median)
  p99=$(awk -v p=$phase '$1 == p {print $5}' "$work/all" | median)
  printf '%-12s median of max gap %7s ms   median of p99 gap %7s ms\n' "$phase" "$max" "$p99"
done
printf 'StartDownload call: median %s ms\n' "$(awk '$1 == "startdownload_ms" {print $2}' "$work/all" | median)"
