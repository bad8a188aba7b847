#!/usr/bin/env bash
# Memory and file-handle check without the sanitizers: valgrind's memcheck
# over the unit tests and over a batch run of each shipped example, in a plain
# build. Fails on any memory error, on memory lost for good, and on a file
# left open at the end that the program itself opened.
#
#   .ci/valgrind.sh [build directory]     (default build-valgrind)
set -euo pipefail
cd "$(dirname "$0")/.."
racine=$(pwd)
build=${1:-build-valgrind}

scripts/paquets.sh valgrind

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVIGN_SANITIZE=OFF -DVIGN_TESTS=ON >/dev/null
cmake --build "$build" --target vign vign_tests -j2 >/dev/null

journaux=$(mktemp -d)
trap 'rm -rf "$journaux"' EXIT

# valgrind with its report in $journaux/<name>.txt; fails on errors and leaks.
verifie() {
  local nom=$1; shift
  local journal="$journaux/$nom.txt"
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
    --track-fds=yes --suppressions="$racine/.ci/valgrind.supp" --log-file="$journal" "$@"
  # Descriptors still open at the end of the program itself, less those it
  # was given: a child forked by a test (a death test) ends with _exit and
  # keeps its parent's descriptors by design.
  local ouverts
  ouverts=$(awk 'NR == 1 { pid = $1 }
                 $1 != pid { next }
                 /Open (file|AF_UNIX socket|pipe)? ?descriptor/ {d=$0; next}
                 d != "" { if ($0 !~ /inherited from parent/) print d; d="" }' "$journal" |
            grep -vE 'descriptor [012]:' || true)
  if [ -n "$ouverts" ]; then
    echo "valgrind: $nom laisse des fichiers ouverts:" >&2
    echo "$ouverts" >&2
    return 1
  fi
  grep -h 'ERROR SUMMARY' "$journal" | sed "s/^==[0-9]*== /valgrind: $nom: /"
}

exemples=$(mktemp -d)
trap 'rm -rf "$journaux" "$exemples"' EXIT
cp "$racine"/examples/* "$exemples"/
rm -f "$exemples"/*.prn
(
  cd "$exemples"
  verifie exemple-delimite "$racine/$build/vign" -l delimite.ini -e ecrit.ini
  verifie exemple-fixe "$racine/$build/vign" -l fixe.ini -f format.def -e ecrit.ini
  verifie exemple-ecran "$racine/$build/vign" -l ecran.ini -e ecrit.ini
  verifie exemple-a4-pdf "$racine/$build/vign" -l a4.ini -e ecrit.ini
)
# The unit tests run from their build directory, as ctest runs them.
(cd "$build/tests" && verifie tests-unitaires ./vign_tests --gtest_brief=1)
