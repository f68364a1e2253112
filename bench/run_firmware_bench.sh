#!/usr/bin/env bash
# Firmware throughput: a 4 MiB image through the whole tool path (download
# engine -> handler -> driver -> TCP -> simulated unit) against a lock-step TFTP
# transfer of the same file with 506-byte blocks between Debian's atftp client
# and tftpd-hpa on loopback. Both ends of each pinned to CPU 0, interleaved,
# five runs each; prints blocks per second, medians and the ratio.
#   bench/run_firmware_bench.sh [BUILD_DIR] [BYTES]
set -euo pipefail
# The TFTP peer comes from Debian's packages.
if ! command -v atftp >/dev/null || ! command -v in.tftpd >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends atftp tftpd-hpa
fi
build=${1:-build/release}
bytes=${2:-4194304}
bin=$build/bin
work=$(mktemp -d)
trap 'kill "${TFTPD_PID:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

"$bin/qora-firmware-gen" --out "$work" --image BENCH.bin --software BENCH0100 --size "$bytes" \
  --master BENCH.MFI >/dev/null
image=$work/BENCH.bin
blocks=$(( bytes / 506 + 1 ))

mkdir -p "$work/tftp" && chmod 777 "$work/tftp"
port=$(( 20000 + RANDOM % 20000 ))
taskset -c 0 in.tftpd -L -c -s -u "$(id -un)" -a "127.0.0.1:$port" "$work/tftp" &
TFTPD_PID=$!
sleep 0.3

tftp_rate() { # one lock-step TFTP upload; prints blocks/s
  rm -f "$work/tftp/up.bin"
  local t0 t1
  t0=$(date +%s.%N)
  taskset -c 0 atftp --option 'blksize 506' -p -l "$image" -r up.bin 127.0.0.1 "$port" >/dev/null 2>&1
  t1=$(date +%s.%N)
  cmp -s "$image" "$work/tftp/up.bin" || { echo "TFTP transfer incomplete" >&2; exit 1; }
  awk -v n="$blocks" -v a="$t0" -v b="$t1" 'BEGIN {printf "%.0f\n", n / (b - a)}'
}

ours_rate() { # one download through the tool's path; prints blocks/s of the image transfer
  local line pid endpoint
  coproc SIM { exec taskset -c 0 "$bin/qora-unit-sim" --listen 127.0.0.1:0 --verification-polls 0; }
  pid=$SIM_PID
  read -r line <&"${SIM[0]}"
  endpoint=${line#listening on }
  taskset -c 0 "$bin/qora-firmware-bench" "$endpoint" "$work/BENCH.MFI" | awk '/image blocks\/s/ {print $3}'
  kill "$pid"; wait "$pid" 2>/dev/null || true
}

tftp=() ours=()
for run in 1 2 3 4 5; do
  tftp+=("$(tftp_rate)")
  ours+=("$(ours_rate)")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
tftp_median=$(median "${tftp[@]}")
our_median=$(median "${ours[@]}")
echo "image: $bytes bytes, $blocks blocks of 506"
echo "TFTP atftp->tftpd-hpa blocks/s: ${tftp[*]}  (median $tftp_median)"
echo "tool path blocks/s:             ${ours[*]}  (median $our_median)"
awk -v a="$our_median" -v b="$tftp_median" 'BEGIN {printf "ratio: %.2f\n", a / b}'
