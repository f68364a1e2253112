#!/usr/bin/env bash
# Writes a help2man include file with a COMMANDS section: the usage of each
# qora-cli command as "qora-cli COMMAND --help" prints it, so that the manual
# page holds every command's options, not only the overview's.
#   cli-commands-h2m.sh QORA_CLI OUTPUT
set -euo pipefail
cli="$1"
output="$2"

# The commands are the first words of the overview's command lines.
commands=$("$cli" --help | sed -n '/^commands:/,/^options:/p' | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
[ -n "$commands" ] || { echo "cli-commands-h2m.sh: no commands in qora-cli --help" >&2; exit 1; }

{
  echo "[COMMANDS]"
  for command in $commands; do
    echo ".SS $command"
    echo ".nf"
    # Backslashes and a leading dot or quote would be read as roff.
    "$cli" "$command" --help | sed 's/\\/\\e/g; s/^\([.'"'"']\)/\\\&\1/'
    echo ".fi"
  done
} >"$output.tmp"
mv "$output.tmp" "$output"
