#!/usr/bin/env bash
# The pages of a PDF are drawn by a thread of their own while the engine
# composes the next ones: a run of codes, a run of plain labels and a run
# whose print file fills up, under ThreadSanitizer, whose first report stops
# CI.
set -euo pipefail
cd "$(dirname "$0")/.."
racine=$PWD
b=$racine/build-tsan
cmake -S . -B "$b" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIGN_TESTS=OFF -DVIGN_WERROR=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$b" --target vign -j2 >/dev/null

d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT
cd "$d"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 suppressions=$racine/.ci/tsan.supp"
for i in $(seq 20); do cat "$racine/examples/stock.txt"; done >stock.txt
cp "$racine/examples/stock.ini" .
"$b/vign" -l stock.ini
cp "$racine/examples/a4.ini" "$racine/examples/a4-adresses.txt" .
"$b/vign" -l a4.ini
# A write that fails on the drawing thread comes back to the engine's.
ln -s /dev/full plein.pdf
sed -i 's|^etiquettes=.*|etiquettes=plein.pdf|' stock.ini
set +e
"$b/vign" -l stock.ini 2>erreur.txt
statut=$?
set -e
if [ "$statut" -ne 1 ]; then
  cat erreur.txt
  echo "CI: vign vers un PDF sur /dev/full : statut $statut, 1 attendu"
  exit 1
fi
echo "CI: $(cat erreur.txt)"
echo "CI: trois passages PDF sans rapport de ThreadSanitizer"
