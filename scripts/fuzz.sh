#!/usr/bin/env bash
# Builds the fuzz targets (the "fuzz" preset: clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each one with its seed corpus.
#   scripts/fuzz.sh                        every target, 20 s each
#   scripts/fuzz.sh -t 60 work_order ...   the named targets, 60 s each
#   -j JOBS  build jobs (default: the CPUs); -p RUNS  targets fuzzed at a
#   time (default: the CPUs), each on one CPU
# CI runs `scripts/fuzz.sh -t 20`: with two CPUs the sixteen targets take
# about three minutes after the build.
# Fails when a target finds a crash, a leak, a timeout or a broken check; the
# input that did it is kept under build/fuzz/artifacts/<target>/.
# New inputs a run finds go to build/fuzz/corpus/<target>/, never into the
# seed corpora under fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=20
jobs="${FUZZ_BUILD_JOBS:-$(nproc)}"
parallel="${FUZZ_PARALLEL:-$(nproc)}"
while getopts "t:j:p:h" option; do
  case "$option" in
    t) seconds="$OPTARG" ;;
    j) jobs="$OPTARG" ;;
    p) parallel="$OPTARG" ;;
    *) sed -n '2,13p' "$0"; exit 2 ;;
  esac
done
case "$seconds$parallel" in
  *[!0-9]*) echo "fuzz.sh: -t and -p take whole numbers" >&2; exit 2 ;;
esac
[ "$parallel" -ge 1 ] || parallel=1
shift $((OPTIND - 1))

all_targets=(service_framing data_group_replies status_replies software_files work_order
             archive_form rks_frames sim_frames sim_gateway download_replies activation_replies
             commission_replies report_writer sim_firmware sim_replay traffic_recording fleet_replies
             protocol_records)
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
    work_order|report_writer) echo "-max_len=16384" ;;
    *) echo "" ;;
  esac
}

build=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
results="$build/results"
rm -rf "$results"
mkdir -p "$results"

# Fuzzes one target; writes its summary line to $results/<target>, and
# "failed" beside it when it found something.
run_target() {
  local target="$1"
  local work="$build/corpus/$target"
  local artifacts="$build/artifacts/$target"
  local log="$build/logs/$target.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  local status=0
  # shellcheck disable=SC2046
  # A fixed seed (QORA_FUZZ_SEED to change it) keeps a short CI run repeatable.
  "$build/fuzz-bin/$target" -seed="${QORA_FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" $(extra_options "$target") \
    "$work" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  local runs speed line
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  line="$target: ${runs:-?} executions (${speed:-?}/s)"
  if [ "$status" -ne 0 ]; then
    line="$line, FAILED (exit $status), see $log"
    {
      grep -E '^(==[0-9]+==ERROR|SUMMARY|.*check failed|.*runtime error)' "$log" | head -5 || true
      ls -1 "$artifacts" | sed 's/^/   kept: /' || true
    } >"$results/$target.details"
    touch "$results/$target.failed"
  fi
  echo "$line" >"$results/$target"
  echo "$line"
}

echo "== ${#targets[@]} targets, ${seconds} s each, ${parallel} at a time"
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
wait

failed=()
summary=()
for target in "${targets[@]}"; do
  summary+=("$(cat "$results/$target" 2>/dev/null || echo "$target: did not run")")
  if [ -e "$results/$target.failed" ] || [ ! -e "$results/$target" ]; then
    failed+=("$target")
  fi
done

echo
echo "Fuzzing summary"
printf '  %s\n' "${summary[@]}"
for target in "${failed[@]}"; do
  [ -e "$results/$target.details" ] && { echo "$target:"; cat "$results/$target.details"; }
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "Targets that found a problem: ${failed[*]}" >&2
  exit 1
fi
