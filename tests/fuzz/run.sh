#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each of them for a while.
#
#   tests/fuzz/run.sh [seconds] [target ...]
#
# seconds: time per target (default 20); targets: names such as catalogue or
# execution (default: all of them, one after the other). Inputs that widen the
# coverage are kept in build-fuzz/corpus/<target>, so that a later run goes on
# from there; the seeds under tests/fuzz/corpus/<target> are never written.
# An input that crashes, hangs or breaks a property lands in
# build-fuzz/crashes/<target>/ and the script ends with status 1; replay it
# with build-fuzz/fuzz/fuzz_<target> <file>.
#
# VIGN_FUZZ_MAX_LEN sets libFuzzer's -max_len (default 4096); the execution
# target's key repete in [fichiers] already takes its records past the
# readers' 64 KiB and 1 MiB paths within that length.
#
# For a long run on a shared machine, run two targets at a time, for example:
#   tests/fuzz/run.sh 600 controle inifile & tests/fuzz/run.sh 600 catalogue saisie; wait
set -euo pipefail
racine=$(cd "$(dirname "$0")/../.." && pwd)
secondes=${1:-20}
shift || true
build=${VIGN_FUZZ_BUILD:-$racine/build-fuzz}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$racine" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVIGN_FUZZ=ON -DVIGN_TESTS=OFF >/dev/null
fi

cibles=("$@")
if ((${#cibles[@]} == 0)); then
  for f in "$racine"/tests/fuzz/*_fuzz.cpp; do
    n=$(basename "$f" _fuzz.cpp)
    cibles+=("$n")
  done
fi
executables=()
for c in "${cibles[@]}"; do executables+=("fuzz_$c"); done
# Two runs started side by side must not build the same files at once.
flock "$build/.verrou-construction" cmake --build "$build" --target "${executables[@]}" -j2 >/dev/null

# The targets' working files, in memory where the system allows, gone at the end
# even when a target crashed.
travail=$(mktemp -d -p /dev/shm vign-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$travail"' EXIT
export TMPDIR=$travail

echec=0
printf '%-12s %12s %8s\n' cible executions crashs
for c in "${cibles[@]}"; do
  corpus="$build/corpus/$c"
  crashs="$build/crashes/$c"
  journal="$build/journal-$c.txt"
  mkdir -p "$corpus" "$crashs"
  avant=$(find "$crashs" -type f | wc -l)
  statut=0
  # Seeds first: each of them is also a regression input and must pass.
  "$build/fuzz/fuzz_$c" -max_total_time="$secondes" -timeout=25 -rss_limit_mb=2048 \
    -max_len="${VIGN_FUZZ_MAX_LEN:-4096}" -print_final_stats=1 -artifact_prefix="$crashs/" \
    "$corpus" "$racine/tests/fuzz/corpus/$c" >"$journal" 2>&1 || statut=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$journal" | tail -1)
  apres=$(find "$crashs" -type f | wc -l)
  printf '%-12s %12s %8s\n' "$c" "${executions:-?}" "$((apres - avant))"
  if ((statut != 0 || apres > avant)); then
    echec=1
    echo "--- fuzz_$c: statut $statut, journal $journal" >&2
    grep -E 'propriete violee|ERROR|SUMMARY|Test unit written' "$journal" | head -8 >&2 || true
  fi
done
exit "$echec"
