#!/usr/bin/env bash
# Link throughput: our whole path against the raw lock-step loop, both ends of
# each pinned to CPU 0, interleaved, five runs each; prints medians and the ratio.
#   bench/run_link_bench.sh [BUILD_DIR] [COUNT]
set -euo pipefail
build=${1:-build/release}
count=${2:-20000}
bin=$build/bin

start_peer() { # command... ; sets PEER_PID and PEER_ENDPOINT
  coproc PEER { exec taskset -c 0 "$@"; }
  PEER_PID=$PEER_PID
  read -r line <&"${PEER[0]}"
  PEER_ENDPOINT=${line#listening on }
}

raw=() ours=()
for run in 1 2 3 4 5; do
  start_peer "$bin/qora-raw-peer" 176
  raw+=("$(taskset -c 0 "$bin/qora-link-bench" --raw "$PEER_ENDPOINT" "$count" | awk '{print $4}')")
  kill "$PEER_PID"; wait "$PEER_PID" 2>/dev/null || true

  start_peer "$bin/qora-unit-sim" --listen 127.0.0.1:0
  ours+=("$(taskset -c 0 "$bin/qora-link-bench" --handler "$PEER_ENDPOINT" "$count" | awk '{print $4}')")
  kill "$PEER_PID"; wait "$PEER_PID" 2>/dev/null || true
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
raw_median=$(median "${raw[@]}")
our_median=$(median "${ours[@]}")
echo "raw loop exchanges/s:    ${raw[*]}  (median $raw_median)"
echo "handler path exchanges/s: ${ours[*]}  (median $our_median)"
awk -v a="$our_median" -v b="$raw_median" 'BEGIN {printf "ratio: %.2f\n", a / b}'
