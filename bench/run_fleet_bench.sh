#!/usr/bin/env bash
# Fleet sweep: `qora-cli fleet status` over 2 000 simulated units that answer
# every request 5 ms late (`qora-unit-sim --fleet 1999 --delay-ms 5`, plus its
# own unit), at 1, 16 and 64 jobs. Interleaved runs, medians. Prints units per
# second, the parallel efficiency (rate at J / (J x rate at 1 job); goal at 16
# jobs: 0.8), the memory of an open connection on both sides and the CPU both
# ends used.
#   bench/run_fleet_bench.sh [BUILD_DIR]
# Environment: RUNS (default 5), UNITS (default 2000), SAMPLE (default 8).
#
# Pinning: the tool and the simulator both run on CPU 0, as in the other
# benchmarks, at every job count. With 64 jobs the question is whether one CPU
# then limits the sweep: it does not. Tool and simulator together use about
# 0.4 ms of CPU per unit (printed below as "CPU busy"), a third of one CPU at
# 64 jobs; the sweep waits for replies, not for the CPU. Putting the simulator
# on CPU 1 instead made 64 jobs slower here (every exchange then wakes a thread
# on the other CPU), and left the figures at the mercy of whatever else runs
# there.
#
# The one-job rate comes from every SAMPLE-th unit of the directory (250 of
# 2 000): one job reads the units one after the other, each with the same
# exchanges, so the rate does not depend on how many units there are (a full
# one-job sweep, measured once, took 74 s at the same rate: too long for every
# run). The 16- and 64-job sweeps cover all units.
#
# Memory: each sweep gets a simulator of its own. The tool's growth per job is
# the difference of its peak resident size at 64 and at 16 jobs over the 48
# jobs between; the simulator's per connection likewise from its peak resident
# size after the sweep (a job keeps one connection open at a time).
set -euo pipefail
if ! [ -x /usr/bin/time ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo -n"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends time </dev/null
fi
build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/release}
runs=${RUNS:-5}
units=${UNITS:-2000}
sample=${SAMPLE:-8}
bin=$build/bin
# shellcheck source=bench/release_build.sh
source "$(dirname "$0")/release_build.sh"
ensure_programs "$build" qora-cli qora-unit-sim
work=$(mktemp -d)
cleanup() {
  [ -n "${SIM_PID_:-}" ] && kill "$SIM_PID_" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_sim() { # sets SIM_PID_ and SIM_ENDPOINT; writes $work/all.json
  rm -f "$work/sim.out" "$work/all.json"
  taskset -c 0 "$bin/qora-unit-sim" --listen 127.0.0.1:0 --fleet $((units - 1)) --directory "$work/all.json" \
    --delay-ms 5 >"$work/sim.out" 2>"$work/sim.log" </dev/null &
  SIM_PID_=$!
  local tries
  for ((tries = 0; tries < 300; tries++)); do
    [ -s "$work/sim.out" ] && break
    sleep 0.05
  done
  local line
  read -r line <"$work/sim.out" || true
  case $line in
    "listening on "*) SIM_ENDPOINT=${line#listening on } ;;
    *) echo "the simulator did not start: $(cat "$work/sim.log")" >&2; exit 1 ;;
  esac
}

stop_sim() { # sets SIM_KB (peak resident size) and SIM_CPU (seconds)
  SIM_KB=$(awk '/^VmHWM:/ {print $2}' "/proc/$SIM_PID_/status")
  SIM_CPU=$(awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$SIM_PID_/stat")
  kill "$SIM_PID_"; wait "$SIM_PID_" 2>/dev/null || true
  SIM_PID_=
}

# The same directory with every SAMPLE-th unit only; prints how many. The
# simulator writes each node as {"connection":"…","kind":1,"name":"…"}.
sample_directory() {
  awk -v RS='[{]"connection":' -v every="$sample" '
    NR > 1 {
      match($0, /^"[^"]*"/); c = substr($0, RSTART, RLENGTH)
      match($0, /"name":"[^"]*"/); n = substr($0, RSTART + 7, RLENGTH - 7)
      if ((NR - 2) % every == 0) node[++kept] = "{\"connection\": " c ", \"kind\": 1, \"name\": " n "}"
    }
    END {
      printf "{\"version\": 1, \"groups\": [{\"name\": \"sample\", \"nodes\": [\n"
      for (i = 1; i <= kept; i++) printf "%s%s\n", node[i], i < kept ? "," : ""
      printf "]}]}\n"
      print kept > "/dev/stderr"
    }' "$work/all.json" >"$work/sample.json" 2>"$work/sample.count"
  cat "$work/sample.count"
}

# One sweep with a fresh simulator; sets SWEPT (units), SECONDS_, TOOL_KB,
# TOOL_CPU, SIM_KB and SIM_CPU.
sweep() {
  local jobs=$1 directory t0 t1 swept
  start_sim
  directory=$work/all.json
  swept=$units
  if [ "$jobs" -eq 1 ]; then
    swept=$(sample_directory)
    directory=$work/sample.json
  fi
  t0=$(date +%s.%N)
  QORA_RKS_GATEWAY=$SIM_ENDPOINT /usr/bin/time -o "$work/time" -f "%M %U %S" \
    taskset -c 0 "$bin/qora-cli" fleet status --directory "$directory" --jobs "$jobs" --csv "$work/out.csv" \
    >"$work/summary" 2>&1 </dev/null || { echo "the sweep at $jobs jobs failed: $(cat "$work/summary")" >&2; exit 1; }
  t1=$(date +%s.%N)
  grep -q "^$swept units: $swept reachable" "$work/summary" ||
    { echo "the sweep at $jobs jobs missed units: $(cat "$work/summary")" >&2; exit 1; }
  stop_sim
  SWEPT=$swept
  SECONDS_=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.3f", b - a}')
  read -r TOOL_KB user sys <"$work/time"
  TOOL_CPU=$(awk -v u="$user" -v s="$sys" 'BEGIN {print u + s}')
}

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

declare -A rate kb busy simkb
for ((run = 1; run <= runs; run++)); do
  for jobs in 1 16 64; do
    sweep "$jobs"
    rate[$jobs]+=" $(awk -v n="$SWEPT" -v s="$SECONDS_" 'BEGIN {printf "%.1f", n / s}')"
    kb[$jobs]+=" $TOOL_KB"
    simkb[$jobs]+=" $SIM_KB"
    busy[$jobs]+=" $(awk -v c="$TOOL_CPU" -v d="$SIM_CPU" -v s="$SECONDS_" 'BEGIN {printf "%.2f", (c + d) / s}')"
  done
done

echo "fleet: $units simulated units answering 5 ms late; $runs interleaved runs; tool and simulator on CPU 0"
declare -A med
for jobs in 1 16 64; do
  # shellcheck disable=SC2086
  med[$jobs]=$(median ${rate[$jobs]})
  what="all units"; [ "$jobs" -eq 1 ] && what="every ${sample}th unit"
  # shellcheck disable=SC2086
  printf '%2d jobs (%s): units/s%s  (median %s); CPU busy %s\n' "$jobs" "$what" "${rate[$jobs]}" "${med[$jobs]}" \
    "$(median ${busy[$jobs]})"
done
# shellcheck disable=SC2086
awk -v t16="$(median ${kb[16]})" -v t64="$(median ${kb[64]})" -v s16="$(median ${simkb[16]})" \
  -v s64="$(median ${simkb[64]})" 'BEGIN {
    printf "memory: tool peak %.1f MB at 16 jobs, %.1f MB at 64 (%.1f KB per job); ", t16 / 1024, t64 / 1024, (t64 - t16) / 48
    printf "simulator peak %.1f MB at 16, %.1f MB at 64 (%.1f KB per connection)\n", s16 / 1024, s64 / 1024, (s64 - s16) / 48
  }'
awk -v r1="${med[1]}" -v r16="${med[16]}" -v r64="${med[64]}" -v n="$units" 'BEGIN {
    printf "sweep of %d units: %.1f s at 1 job (from its rate), %.1f s at 16 jobs, %.1f s at 64 jobs\n", n, n / r1, n / r16, n / r64
    printf "efficiency at 64 jobs: %.2f\n", r64 / (64 * r1)
    e = r16 / (16 * r1)
    printf "efficiency at 16 jobs: %.2f (goal 0.80: %s)\n", e, (e >= 0.8 ? "met" : "NOT met")
  }'
