#!/usr/bin/env bash
# Prints the command that README.md shows under the marker <!-- NAME -->: the
# first fenced block after the marker. CI runs these commands as they stand,
# so that the README cannot drift from what works.
#   .ci/readme.sh test    .ci/readme.sh run
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -eq 1 ] || { echo "usage: $0 MARQUE" >&2; exit 2; }
cmd=$(awk -v m="<!-- $1 -->" '
  $0 == m { on = 1; next }
  on && /^```/ { if (dedans) exit; dedans = 1; next }
  on && dedans' README.md)
[ -n "$cmd" ] || { echo "CI: commande <!-- $1 --> introuvable dans README.md" >&2; exit 1; }
printf '%s\n' "$cmd"
