#!/usr/bin/env bash
# Firmware over a site link: one image through the tool's download path
# (qora-firmware-bench -> qora-unit-sim) and through a lock-step TFTP upload
# with 506-byte blocks (atftp -> in.tftpd of tftpd-hpa), both through one delay
# relay of ours that holds every packet DELAY_MS milliseconds each way.
# Interleaved runs, medians; the tool's rate is its image transfer's blocks per
# second, the dialogue's fixed waits and exchanges around it are shown apart.
#   bench/run_wan_bench.sh [BUILD_DIR] [DELAY_MS] [BYTES]
#
# Pinning: both ends of each transfer run on CPU 0, as in the other lock-step
# benchmarks. The relay stands for the link, not for an end: it runs on CPU 1 so
# that it neither takes CPU time from the ends nor waits for them to be switched
# out (on a one-CPU machine it shares CPU 0).
# Each run sends the whole image: at 2 ms each way a block costs at least 4 ms,
# so the default image of 1 MiB (2073 blocks) takes about 9 s per transfer.
set -euo pipefail
export PATH=$PATH:/usr/sbin:/sbin
# The TFTP peer comes from Debian's packages; its server changes its user and
# root directory, which takes root (without a password through sudo otherwise).
sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo -n"
if ! command -v atftp >/dev/null || ! command -v in.tftpd >/dev/null; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends atftp tftpd-hpa </dev/null
fi
build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/release}
delay_ms=${2:-2}
bytes=${3:-1048576}
runs=${RUNS:-5}
bin=$build/bin
# shellcheck source=bench/release_build.sh
source "$(dirname "$0")/release_build.sh"
ensure_programs "$build" qora-firmware-gen qora-firmware-bench qora-unit-sim qora-delay-relay
relay_cpu=1
[ "$(nproc)" -lt 2 ] && relay_cpu=0
work=$(mktemp -d)
cleanup() {
  for pid in "${RELAY_PID_:-}" "${SIM_PID_:-}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  [ -n "${TFTPD_PID:-}" ] && $sudo kill "$TFTPD_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/qora-firmware-gen" --out "$work" --image BENCH.bin --software BENCH0100 --size "$bytes" \
  --master BENCH.MFI >/dev/null
image=$work/BENCH.bin
blocks=$(( bytes / 506 + 1 ))

mkdir -p "$work/tftp" && chmod 777 "$work/tftp"
tftp_port=$(( 20000 + RANDOM % 20000 ))
$sudo taskset -c 0 in.tftpd -L -c -s -u "$(id -un)" -a "127.0.0.1:$tftp_port" "$work/tftp" </dev/null &
TFTPD_PID=$!
sleep 0.3
[ -d "/proc/$TFTPD_PID" ] || { echo "in.tftpd did not start" >&2; exit 1; }

# One simulated unit for every run: it takes one download after the other.
coproc SIM { exec taskset -c 0 "$bin/qora-unit-sim" --listen 127.0.0.1:0 --verification-polls 0 </dev/null; }
SIM_PID_=$SIM_PID
read -r line <&"${SIM[0]}"
sim_endpoint=${line#listening on }

taskset -c "$relay_cpu" "$bin/qora-delay-relay" --delay-ms "$delay_ms" --udp "127.0.0.1:$tftp_port" \
  --tcp "$sim_endpoint" >"$work/relay.out" 2>"$work/relay.log" </dev/null &
RELAY_PID_=$!
for ((wait_ready = 0; wait_ready < 50; wait_ready++)); do
  grep -qx ready "$work/relay.out" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$work/relay.out" || { echo "the relay did not start" >&2; cat "$work/relay.log" >&2; exit 1; }
udp_endpoint=$(awk '$1 == "udp" {print $2}' "$work/relay.out")
tcp_endpoint=$(awk '$1 == "tcp" {print $2}' "$work/relay.out")

tftp_rate() { # one lock-step TFTP upload through the relay; prints blocks/s
  rm -f "$work/tftp/up.bin"
  local t0 t1
  t0=$(date +%s.%N)
  taskset -c 0 atftp --option 'blksize 506' -p -l "$image" -r up.bin 127.0.0.1 "${udp_endpoint#*:}" \
    </dev/null >/dev/null 2>&1
  t1=$(date +%s.%N)
  cmp -s "$image" "$work/tftp/up.bin" || { echo "TFTP transfer incomplete" >&2; exit 1; }
  awk -v n="$blocks" -v a="$t0" -v b="$t1" 'BEGIN {printf "%.1f\n", n / (b - a)}'
}

ours_run() { # one download through the tool's path and the relay; prints "rate before after"
  local out
  out=$(taskset -c 0 "$bin/qora-firmware-bench" "$tcp_endpoint" "$work/BENCH.MFI" </dev/null) ||
    { echo "download failed" >&2; exit 1; }
  awk '/^image blocks\/s/ {r = $3} /^before image seconds/ {b = $4} /^after image seconds/ {a = $4}
       END {print r, b, a}' <<<"$out"
}

tftp=() ours=() before=() after=()
for ((run = 1; run <= runs; run++)); do
  rate=$(tftp_rate)
  tftp+=("$rate")
  ours_out=$(ours_run)
  read -r rate b a <<<"$ours_out"
  ours+=("$rate") before+=("$b") after+=("$a")
done

kill -TERM "$RELAY_PID_" 2>/dev/null || true
wait "$RELAY_PID_" 2>/dev/null || true
RELAY_PID_=

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
tftp_median=$(median "${tftp[@]}")
our_median=$(median "${ours[@]}")
echo "link: ${delay_ms} ms each way through qora-delay-relay; image: $bytes bytes, $blocks blocks of 506; $runs runs each"
echo "TFTP atftp->tftpd-hpa blocks/s: ${tftp[*]}  (median $tftp_median)"
echo "tool image transfer blocks/s:   ${ours[*]}  (median $our_median)"
echo "tool fixed waits and exchanges: $(median "${before[@]}") s before the image, $(median "${after[@]}") s after it (medians)"
sed 's/^relay udp 1:/relay, TFTP:/; s/^relay tcp 2:/relay, tool:/' "$work/relay.log"
awk -v a="$our_median" -v b="$tftp_median" 'BEGIN {printf "ratio: %.2f\n", a / b}'
