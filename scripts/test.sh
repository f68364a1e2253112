#!/usr/bin/env bash
# Installs what is missing, builds and runs the tests through CTest.
#   scripts/test.sh            the normal build, every test
#   scripts/test.sh sanitize   every test under AddressSanitizer and UndefinedBehaviorSanitizer
#   scripts/test.sh thread     the event, link, driver, TCP link, end-to-end link, traffic and fleet sweep tests under ThreadSanitizer
#   scripts/test.sh all        the three above, then every fuzz target for 20 s (scripts/fuzz.sh)
# Each mode builds in build/<mode>. Set QORA_TEST_JOBS to limit parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="${QORA_TEST_JOBS:-$(nproc)}"
export QT_QPA_PLATFORM=offscreen

run_preset() {
  local preset="$1"
  local started=$SECONDS
  echo "== $preset: build"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  # A test that fails is run once more: the end-to-end suites restart real
  # processes on real ports and can meet a loaded machine. A fault fails twice,
  # and the first failure stays in the log.
  retry=(--repeat until-pass:2)
  case "$preset" in
    thread)
      # Only the thread tests are built; the others show as *_NOT_BUILT and the
      # preset leaves them out. Qt is not built with ThreadSanitizer:
      # tests/safety/tsan.supp says what is suppressed and why; the tests start
      # the simulated unit with a plain fork (tests/support/ForkedChild.h).
      TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/safety/tsan.supp" \
        ctest --preset thread -j "$jobs" "${retry[@]}"
      ;;
    sanitize)
      ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
        ctest --preset sanitize -j "$jobs" "${retry[@]}"
      ;;
    *)
      ctest --preset "$preset" -j "$jobs" "${retry[@]}"
      ;;
  esac
  echo "== $preset: passed in $((SECONDS - started)) s"
}

mode="${1:-default}"
scripts/install-deps.sh
case "$mode" in
  default|release|sanitize|thread)
    run_preset "$mode"
    ;;
  all)
    for preset in default sanitize thread; do
      run_preset "$preset"
    done
    echo "== fuzz"
    scripts/fuzz.sh -t 20
    ;;
  *)
    sed -n '2,8p' "$0" >&2
    exit 2
    ;;
esac
