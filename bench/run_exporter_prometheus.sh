#!/usr/bin/env bash
# A fleet through a real Prometheus: UNITS simulated units (default 10 000,
# every reply DELAY_MS late, default 5), one qora-exporter, and Prometheus
# (Debian's package) discovering them on /sd and scraping each every INTERVAL
# (default 15 s). After a warm-up of one interval, measures WINDOW seconds
# (default 60): the exporter's CPU (share of one core and ms per probe), its
# memory, the probes it answered, and Prometheus' series and memory.
#   bench/run_exporter_prometheus.sh [BUILD_DIR]
# Exporter and simulator on CPU 0, Prometheus on CPU 1.
set -euo pipefail
build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/release}
units=${UNITS:-10000}
delay=${DELAY_MS:-5}
interval=${INTERVAL:-15}
window=${WINDOW:-60}
bin=$build/bin
# shellcheck source=bench/release_build.sh
source "$(dirname "$0")/release_build.sh"
ensure_programs "$build" qora-exporter qora-unit-sim
command -v prometheus >/dev/null || { echo "needs prometheus (scripts/install-deps.sh)" >&2; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

endpoint_of() {
  local out=$1 tries line
  for ((tries = 0; tries < 1200; tries++)); do
    [ -s "$out" ] && break
    sleep 0.05
  done
  read -r line <"$out" || true
  [[ $line == "listening on "* ]] || { echo "did not start: $(cat "$out")" >&2; exit 1; }
  echo "${line#listening on }"
}
cpu_of() { awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$1/stat"; }
query() { # one number from an instant query
  curl -s "http://127.0.0.1:$prom_port/api/v1/query" --data-urlencode "query=$1" |
    sed -n 's/.*"value":\[[^,]*,"\([^"]*\)"\].*/\1/p'
}

taskset -c 0 "$bin/qora-unit-sim" --listen 127.0.0.1:0 --fleet $((units - 1)) --directory "$work/nodes.json" \
  --delay-ms "$delay" >"$work/sim.out" 2>&1 </dev/null &
pids+=($!)
sim=$(endpoint_of "$work/sim.out")
QORA_RKS_GATEWAY=$sim taskset -c 0 "$bin/qora-exporter" --directory "$work/nodes.json" \
  --web.listen-address 127.0.0.1:0 >"$work/exporter.out" 2>"$work/exporter.log" </dev/null &
exporter_pid=$!
pids+=("$exporter_pid")
exporter=$(endpoint_of "$work/exporter.out")
prom_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/prometheus.yml" <<CONFIG
global:
  scrape_interval: ${interval}s
  scrape_timeout: $((interval * 2 / 3))s
scrape_configs:
  - job_name: qora
    metrics_path: /probe
    http_sd_configs:
      - url: http://$exporter/sd
    relabel_configs:
      - {source_labels: [__address__], target_label: __param_target}
      - {source_labels: [__param_target], target_label: instance}
      - {target_label: __address__, replacement: "$exporter"}
CONFIG
taskset -c 1 prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
  --web.listen-address="127.0.0.1:$prom_port" --log.level=warn >"$work/prometheus.log" 2>&1 </dev/null &
prom_pid=$!
pids+=("$prom_pid")

# Warm-up: every unit scraped at least once, then one more interval.
for ((tries = 0; tries < 600; tries++)); do
  scraped=$(query 'count(qora_up)' || true)
  [ "${scraped:-0}" = "$units" ] && break
  sleep 1
done
[ "${scraped:-0}" = "$units" ] || { echo "only ${scraped:-0} of $units units scraped" >&2; exit 1; }
sleep "$interval"

probes() { curl -s "http://$exporter/metrics" | awk '/^qora_exporter_probes_total\{result="(up|down)"\}/ {n += $2} END {print n}'; }
cpu0=$(cpu_of "$exporter_pid"); p0=$(probes); t0=$(date +%s.%N)
sleep "$window"
cpu1=$(cpu_of "$exporter_pid"); p1=$(probes); t1=$(date +%s.%N)

up=$(query 'sum(qora_up)')
series=$(curl -s "http://127.0.0.1:$prom_port/metrics" | awk '/^prometheus_tsdb_head_series / {print $2}')
echo "$units simulated units (replies ${delay} ms late), one exporter, Prometheus scraping every ${interval} s; ${window} s measured"
awk -v c0="$cpu0" -v c1="$cpu1" -v p0="$p0" -v p1="$p1" -v t0="$t0" -v t1="$t1" 'BEGIN {
  s = t1 - t0; printf "probes: %.1f/s; exporter CPU: %.1f %% of one core, %.3f ms a probe\n", (p1 - p0) / s, (c1 - c0) * 100 / s, (c1 - c0) * 1000 / (p1 - p0) }'
awk '/^VmRSS:/ {r = $2} /^VmHWM:/ {h = $2} END {printf "exporter memory: %.1f MB resident, %.1f MB peak\n", r / 1024, h / 1024}' \
  "/proc/$exporter_pid/status"
awk '/^VmRSS:/ {printf "Prometheus: %.0f MB resident, ", $2 / 1024}' "/proc/$prom_pid/status"
echo "$series head series ($(awk -v s="$series" -v n="$units" 'BEGIN {printf "%.1f", s / n}') per unit); units up: $up"
