#!/usr/bin/env bash
# From Finish to a verified unit: a commissioning against the simulated unit
# that restarts in REBOOT_MS, then the unit read back at its new address.
#   after:  qora-cli commission --verify (the unit is tried every 2 s from the reset on)
#   before: the commissioning, then the whole retry time waited (as the window
#           did before it polled), then one connection and the same reads
#           (gps, timing, user, system)
#   bench/run_verify_bench.sh [BUILD_DIR] [RETRY_S=60] [REBOOT_MS=5000] [RUNS=1]
set -euo pipefail
build=${1:-build/default}
retry=${2:-60}
reboot=${3:-5000}
runs=${4:-1}
bin=$build/bin
for p in qora-cli qora-unit-sim; do
  [ -x "$bin/$p" ] || { echo "no $bin/$p; build it first" >&2; exit 1; }
done

work=$(mktemp -d)
sim_pid=
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
old="WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131"
new="WP=SOCKET,HOST=192.168.255.121,PORT=7000,WP=NEQ1,ADDR=140"
cat >"$work/w.xml" <<'XML'
<?xml version="1.0"?><raml><cmData><managedObject class="QOR" distName="SITE/QOR-1">
  <p name="qorName">Site unit</p><p name="qorType">QORA-2</p>
  <p name="qorQ1Address">140</p><p name="qorQ1Speed">8</p>
  <p name="qorGPSAntennaLatitudeLocation">605000000</p><p name="qorGPSAntennaLongitudeLocation">-2500000</p>
  <p name="qorGPSAntennaAltitude">1000</p><p name="qorBtsGpsDelay">120</p><p name="qorBtsFrDelay">800</p>
  <p name="qorGPSMode">Locked</p><p name="qorQ1Relay">NO</p>
  <p name="qorQ1IP">192.168.255.121</p><p name="qorQ1GW">192.168.255.32</p><p name="qorQ1Mask">255.255.255.0</p>
</managedObject></cmData></raml>
XML

start_sim() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  "$bin/qora-unit-sim" --listen 127.0.0.1:0 --reboot-ms "$reboot" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do grep -q listening "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
  export QORA_RKS_GATEWAY=127.0.0.1:$(head -1 "$work/sim.out" | sed 's/.*://')
}
now() { date +%s.%N; }
cli() { "$bin/qora-cli" --connection "$1" "${@:2}" >>"$work/cli.out" 2>&1; }

after=() before=()
for run in $(seq "$runs"); do
  start_sim
  t0=$(now)
  cli "$old" commission "$work/w.xml" --advanced --user Ann --verify
  after+=("$(echo "$(now) - $t0" | bc)")

  start_sim
  t0=$(now)
  cli "$old" commission "$work/w.xml" --advanced --user Ann
  sleep "$retry"
  cli "$new" gps && cli "$new" timing && cli "$new" user && cli "$new" system
  before+=("$(echo "$(now) - $t0" | bc)")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "unit restart ${reboot} ms, retry time ${retry} s, ${runs} run(s); seconds from Finish to a verified unit:"
printf '  before (retry time only): %.1f\n' "$(median "${before[@]}")"
printf '  after  (polling):         %.1f\n' "$(median "${after[@]}")"
