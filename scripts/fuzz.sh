#!/usr/bin/env bash
# Builds the fuzz targets (the "fuzz" preset: clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each one with its seed corpus.
#   scripts/fuzz.sh                        every target, 20 s each
#   scripts/fuzz.sh -t 60 work_order ...   the named targets, 60 s each
# Fails when a target finds a crash, a leak, a timeout or a broken check; the
# input that did it is kept under build/fuzz/artifacts/<target>/.
# New inputs a run finds go to build/fuzz/corpus/<target>/, never into the
# seed corpora under fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=20
jobs="${FUZZ_BUILD_JOBS:-$(nproc)}"
while getopts "t:j:h" option; do
  case "$option" in
    t) seconds="$OPTARG" ;;
    j) jobs="$OPTARG" ;;
    *) sed -n '2,9p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

all_targets=(service_framing data_group_replies status_replies software_files work_order
             archive_form rks_frames sim_frames sim_gateway)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
for target in "${targets[@]}"; do
  if [ ! -d "fuzz/corpus/$target" ]; then
    echo "fuzz.sh: no such target: $target (targets: ${all_targets[*]})" >&2
    exit 2
  fi
done

# Frame readers need inputs beyond one whole frame of 65 540 bytes.
extra_options() {
  case "$1" in
    rks_frames|sim_frames) echo "-max_len=140000" ;;
    work_order) echo "-max_len=16384" ;;
    *) echo "" ;;
  esac
}

build=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
summary=()
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  echo "== $target: ${seconds} s"
  status=0
  # shellcheck disable=SC2046
  "$build/fuzz-bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" $(extra_options "$target") \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  line="$target: ${runs:-?} executions (${speed:-?}/s)"
  if [ "$status" -ne 0 ]; then
    line="$line, FAILED (exit $status), see $log"
    failed+=("$target")
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*check failed|.*runtime error)' "$log" | head -5 || true
    ls -1 "$artifacts" | sed 's/^/   kept: /' || true
  fi
  echo "$line"
  summary+=("$line")
done

echo
echo "Fuzzing summary"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "Targets that found a problem: ${failed[*]}" >&2
  exit 1
fi
