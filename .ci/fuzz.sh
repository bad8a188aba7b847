#!/usr/bin/env bash
# Fuzzing in CI: every fuzz target for a short, bounded time (20 s each by
# default, VIGN_FUZZ_SECONDES to change it). The fuzzers need clang and its
# libFuzzer runtime, which a fresh machine may lack.
set -euo pipefail
cd "$(dirname "$0")/.."
manquants=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || manquants+=("$p")
done
if ((${#manquants[@]})); then
  echo "CI: installation de ${manquants[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${manquants[@]}" >/dev/null
fi
tests/fuzz/run.sh "${VIGN_FUZZ_SECONDES:-20}"
