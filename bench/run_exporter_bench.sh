#!/usr/bin/env bash
# qora-exporter under load: 2 000 simulated units answering every request 5 ms
# late (`qora-unit-sim --fleet 1999 --delay-ms 5`, plus its own unit), each
# probed through the exporter by a load client at 64 probes at once, as many
# Prometheus scrape loops would. Interleaved runs, medians. Prints probes per
# second, the exporter's CPU milliseconds per probe (goal: at most 0.5) and its
# memory.
#   bench/run_exporter_bench.sh [BUILD_DIR]
# Environment: RUNS (default 5), UNITS (default 2000), CONCURRENCY (default 64),
# PASSES (probes of every unit per run, default 2).
#
# Pinning: exporter and simulator on CPU 0 as in the other benchmarks; the load
# client stands in for Prometheus, on CPU 1. The CPU per probe is the
# exporter's own (user + system from /proc), so the client's and the
# simulator's time do not count in it; both are printed beside it.
#
# Each run starts a fresh exporter; the simulator is started once.
set -euo pipefail
if ! [ -x /usr/bin/time ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo -n"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends time </dev/null
fi
build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/release}
runs=${RUNS:-5}
units=${UNITS:-2000}
concurrency=${CONCURRENCY:-64}
passes=${PASSES:-2}
bin=$build/bin
# shellcheck source=bench/release_build.sh
source "$(dirname "$0")/release_build.sh"
ensure_programs "$build" qora-exporter qora-unit-sim qora-exporter-load
work=$(mktemp -d)
SIM_PID_=
EXPORTER_PID_=
cleanup() {
  [ -n "$EXPORTER_PID_" ] && kill "$EXPORTER_PID_" 2>/dev/null || true
  [ -n "$SIM_PID_" ] && kill "$SIM_PID_" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The first line a program prints once it listens: "listening on HOST:PORT".
endpoint_of() {
  local out=$1 log=$2 what=$3 tries line
  for ((tries = 0; tries < 600; tries++)); do
    [ -s "$out" ] && break
    sleep 0.05
  done
  read -r line <"$out" || true
  case $line in
    "listening on "*) echo "${line#listening on }" ;;
    *) echo "$what did not start: $(cat "$log")" >&2; exit 1 ;;
  esac
}

cpu_of() { awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$1/stat"; }

taskset -c 0 "$bin/qora-unit-sim" --listen 127.0.0.1:0 --fleet $((units - 1)) --directory "$work/nodes.json" \
  --delay-ms 5 >"$work/sim.out" 2>"$work/sim.log" </dev/null &
SIM_PID_=$!
sim_endpoint=$(endpoint_of "$work/sim.out" "$work/sim.log" "the simulator")

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

rates=() cpus=() hwms=() rss=() simcpus=() idle=()
for ((run = 1; run <= runs; run++)); do
  rm -f "$work/exporter.out"
  QORA_RKS_GATEWAY=$sim_endpoint taskset -c 0 "$bin/qora-exporter" --directory "$work/nodes.json" \
    --web.listen-address 127.0.0.1:0 --probe.max-concurrent "$concurrency" \
    >"$work/exporter.out" 2>"$work/exporter.log" </dev/null &
  EXPORTER_PID_=$!
  exporter_endpoint=$(endpoint_of "$work/exporter.out" "$work/exporter.log" "the exporter")
  idle+=("$(awk '/^VmRSS:/ {print $2}' "/proc/$EXPORTER_PID_/status")")
  cpu0=$(cpu_of "$EXPORTER_PID_")
  sim0=$(cpu_of "$SIM_PID_")
  taskset -c 1 "$bin/qora-exporter-load" "$exporter_endpoint" "$work/nodes.json" "$concurrency" "$passes" \
    >"$work/load.out" 2>&1 || { echo "run $run: probes failed: $(cat "$work/load.out")" >&2; exit 1; }
  cpu1=$(cpu_of "$EXPORTER_PID_")
  sim1=$(cpu_of "$SIM_PID_")
  read -r _ probes _ up _ failed _ seconds <"$work/load.out"
  [ "$up" -eq "$probes" ] || { echo "run $run: only $up of $probes probes found the unit up" >&2; exit 1; }
  rates+=("$(awk -v p="$probes" -v s="$seconds" 'BEGIN {printf "%.0f", p / s}')")
  cpus+=("$(awk -v a="$cpu0" -v b="$cpu1" -v p="$probes" 'BEGIN {printf "%.3f", (b - a) * 1000 / p}')")
  simcpus+=("$(awk -v a="$sim0" -v b="$sim1" -v p="$probes" 'BEGIN {printf "%.3f", (b - a) * 1000 / p}')")
  hwms+=("$(awk '/^VmHWM:/ {print $2}' "/proc/$EXPORTER_PID_/status")")
  rss+=("$(awk '/^VmRSS:/ {print $2}' "/proc/$EXPORTER_PID_/status")")
  kill "$EXPORTER_PID_"; wait "$EXPORTER_PID_" 2>/dev/null || true
  EXPORTER_PID_=
done

echo "exporter: $units simulated units answering 5 ms late, $concurrency probes at once, $passes probes of every unit"
echo "  per run; $runs runs; exporter and simulator on CPU 0, load client on CPU 1"
printf 'probes/s:              %s  (median %s)\n' "${rates[*]}" "$(median "${rates[@]}")"
printf 'exporter CPU ms/probe: %s  (median %s; goal at most 0.5: %s)\n' "${cpus[*]}" "$(median "${cpus[@]}")" \
  "$(awk -v c="$(median "${cpus[@]}")" 'BEGIN {print (c <= 0.5 ? "met" : "NOT met")}')"
printf 'simulator CPU ms/probe: %s (median)\n' "$(median "${simcpus[@]}")"
awk -v i="$(median "${idle[@]}")" -v h="$(median "${hwms[@]}")" -v r="$(median "${rss[@]}")" 'BEGIN {
  printf "exporter memory: %.1f MB resident at start, %.1f MB peak, %.1f MB after the load (medians)\n", i / 1024, h / 1024, r / 1024 }'
awk -v c="$(median "${cpus[@]}")" 'BEGIN {
  printf "10 000 units every 60 s: %.1f probes/s, %.1f %% of one core\n", 10000 / 60, 10000 / 60 * c / 10 }'
