#!/usr/bin/env bash
# The folders of src/ are floors: each includes only the floors below it.
#   core     the state, bounded text, numbers, control strings
#   formats  the files (settings file, catalogue)          -> core
#   engine   records to printed pages, no screen           -> formats, core
#   tui      every screen                                  -> engine, formats, core
#   app      main, the batch and interactive runs          -> everything
# Fails, listing them, on includes that run upwards or sideways.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A permis=(
  [core]="core"
  [formats]="core formats"
  [engine]="core formats engine"
  [tui]="core formats engine tui"
  [app]="core formats engine tui app"
)
fautes=0
for etage in "${!permis[@]}"; do
  [ -d "src/$etage" ] || continue
  while IFS=: read -r fichier _ inclus; do
    cible=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$inclus")
    if [[ " ${permis[$etage]} " != *" $cible "* ]]; then
      echo "CI: $fichier inclut $cible/ : un etage au-dessus de $etage/" >&2
      fautes=$((fautes + 1))
    fi
  done < <(grep -n -E '^#include "[a-z_]+/' "src/$etage"/*.h "src/$etage"/*.cpp 2>/dev/null || true)
done
for f in src/*/; do
  e=$(basename "$f")
  [ -n "${permis[$e]:-}" ] || { echo "CI: dossier src/$e inconnu des etages" >&2; fautes=$((fautes + 1)); }
done
# curses is the business of one file.
if grep -l -E '#include <(n?curses|ncursesw/curses)\.h>' src -r | grep -v -q '^src/tui/curses_terminal.cpp$'; then
  echo "CI: curses inclus hors de src/tui/curses_terminal.cpp" >&2
  fautes=$((fautes + 1))
fi
((fautes == 0)) || exit 1
echo "CI: etages respectes"
