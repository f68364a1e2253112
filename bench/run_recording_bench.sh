#!/usr/bin/env bash
# What recording the traffic costs the link: the handler path with the
# traffic off and with it recorded (into the ring and a recording file), both
# ends pinned to CPU 0 as in run_link_bench.sh, interleaved; medians and the
# ratio (recorded over off).
#   bench/run_recording_bench.sh [BUILD_DIR] [COUNT] [RUNS]
set -euo pipefail
build=${1:-build/release}
count=${2:-20000}
runs=${3:-7}
bin=$build/bin

run_one() { # mode
  coproc PEER { exec taskset -c 0 "$bin/qora-unit-sim" --listen 127.0.0.1:0; }
  local pid=$PEER_PID line
  read -r line <&"${PEER[0]}"
  taskset -c 0 "$bin/qora-link-bench" "$1" "${line#listening on }" "$count" | awk '{print $4}'
  kill "$pid"; wait "$pid" 2>/dev/null || true
}

off=() on=()
for _ in $(seq "$runs"); do
  off+=("$(run_one --handler)")
  on+=("$(run_one --recorded)")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
off_median=$(median "${off[@]}")
on_median=$(median "${on[@]}")
echo "traffic off exchanges/s:      ${off[*]}  (median $off_median)"
echo "traffic recorded exchanges/s: ${on[*]}  (median $on_median)"
awk -v a="$on_median" -v b="$off_median" 'BEGIN {printf "ratio: %.3f\n", a / b}'
