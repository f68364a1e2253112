#!/usr/bin/env bash
# Redraw times of the history windows with a day of history, and the event
# loop's longest stall while they follow new samples; three runs pinned to
# one CPU, offscreen. With SHOTS, the windows are also saved as pictures there.
#   bench/run_plot_bench.sh [BUILD_DIR] [SHOTS]
set -euo pipefail
build=${1:-build/release}
shots=${2:-}
bin=$build/bin/qora-plot-bench
[ -x "$bin" ] || { echo "no $bin; build it first" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
for run in 1 2 3; do
  if [ -n "$shots" ] && [ "$run" = 1 ]; then
    taskset -c 0 "$bin" --shots "$shots" 2>/dev/null | sed "s/^/run $run: /"
  else
    taskset -c 0 "$bin" 2>/dev/null | sed "s/^/run $run: /"
  fi
done
