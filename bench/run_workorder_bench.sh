#!/usr/bin/env bash
# Work order reading: our reader (the filtered streaming parse, the unit choice
# and the values) against `xmllint --stream --noout` on the same ~100 MB work
# order, interleaved, five runs each; prints the medians of wall time and peak
# resident size side by side.
#   bench/run_workorder_bench.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/release}
bench=$build/bin/qora-workorder-bench
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v xmllint >/dev/null || [ ! -x /usr/bin/time ]; then
  apt-get install -y libxml2-utils time >/dev/null
fi
[ -x "$bench" ] || { echo "no $bench; build the qora-workorder-bench target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
file=$work/workorder.xml
"$here/make_large_workorder.sh" "$file" 200000 4
echo "work order: $(du -m "$file" | cut -f1) MB, 200000 managed objects, 4 units"

# Runs a command once; prints wall seconds and peak resident KiB.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
  cat "$work/time"
}

ours_s=() ours_kib=() lint_s=() lint_kib=() load_ms=()
for run in 1 2 3 4 5; do
  read -r s kib < <(measure "$bench" "$file")
  ours_s+=("$s") ours_kib+=("$kib")
  load_ms+=("$(awk '{print $2}' "$work/out")")
  read -r s kib < <(measure xmllint --stream --noout "$file")
  lint_s+=("$s") lint_kib+=("$kib")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
printf '%-28s %12s %16s\n' "" "wall s" "peak RSS MiB"
printf '%-28s %12s %16s\n' "qora-workorder-bench" "$(median "${ours_s[@]}")" \
  "$(awk -v k="$(median "${ours_kib[@]}")" 'BEGIN {printf "%.1f", k / 1024}')"
printf '%-28s %12s %16s\n' "xmllint --stream --noout" "$(median "${lint_s[@]}")" \
  "$(awk -v k="$(median "${lint_kib[@]}")" 'BEGIN {printf "%.1f", k / 1024}')"
echo "runs, ours (s):     ${ours_s[*]}   load only (ms): ${load_ms[*]} (median $(median "${load_ms[@]}"))"
echo "runs, xmllint (s):  ${lint_s[*]}"
awk -v a="$(median "${ours_s[@]}")" -v b="$(median "${lint_s[@]}")" 'BEGIN {printf "time ratio ours/xmllint: %.2f\n", a / b}'
