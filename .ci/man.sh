#!/usr/bin/env bash
# The manual page must format without a single remark from either formatter
# that users' man commands rely on: mandoc and groff.
set -euo pipefail
cd "$(dirname "$0")/.."

page=doc/vign.1
remarques=$( { mandoc -Tlint "$page"; groff -ww -z -man "$page"; } 2>&1 ) || true
if [ -n "$remarques" ]; then
  printf '%s\n' "$remarques" >&2
  echo "CI: $page n'est pas propre" >&2
  exit 1
fi
# Catch a page that formats silently to nothing (a broken .TH, a stray macro).
lignes=$(groff -man -Tutf8 "$page" 2>/dev/null | grep -c .)
[ "$lignes" -gt 100 ] || { echo "CI: $page ne donne que $lignes lignes" >&2; exit 1; }
echo "CI: $page propre ($lignes lignes)"
