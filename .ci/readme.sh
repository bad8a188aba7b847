#!/usr/bin/env bash
# Prints the command that README.md shows under the marker <!-- NAME -->: the
# first fenced block after the marker. CI runs these commands as they stand,
# so that the README cannot drift from what works. The marker and its block
# may be indented (inside a list item); the block's indentation is removed.
#   .ci/readme.sh test    .ci/readme.sh run    .ci/readme.sh essai
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -eq 1 ] || { echo "usage: $0 MARQUE" >&2; exit 2; }
cmd=$(awk -v m="<!-- $1 -->" '
  { t = $0; sub(/^[ \t]+/, "", t) }
  t == m { on = 1; next }
  on && t ~ /^```/ {
    if (dedans) exit
    dedans = 1; retrait = length($0) - length(t); next
  }
  on && dedans { print substr($0, (length($0) - length(t) >= retrait ? retrait : 0) + 1) }' README.md)
[ -n "$cmd" ] || { echo "CI: commande <!-- $1 --> introuvable dans README.md" >&2; exit 1; }
printf '%s\n' "$cmd"
