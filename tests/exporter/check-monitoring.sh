#!/usr/bin/env bash
# The shipped Prometheus configurations and alert rules, checked by promtool;
# the rules' own tests (monitoring/tests) run too. Skipped (77) without promtool.
#   check-monitoring.sh MONITORING_DIR
set -euo pipefail
monitoring="$1"
if ! command -v promtool >/dev/null; then
  echo "promtool not found (Debian package prometheus, see scripts/install-deps.sh)" >&2
  exit 77
fi
cd "$monitoring"
promtool check rules qora-rules.yml
promtool check config prometheus.yml
promtool check config prometheus-sharded.yml
promtool test rules tests/qora-rules.test.yml
