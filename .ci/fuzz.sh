#!/usr/bin/env bash
# Fuzzing in CI: every fuzz target for a short, bounded time (20 s each by
# default, VIGN_FUZZ_SECONDES to change it). The fuzzers need clang and its
# libFuzzer runtime, which a fresh machine may lack.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/paquets.sh fuzz
tests/fuzz/run.sh "${VIGN_FUZZ_SECONDES:-20}"
# Records long enough for the readers' 64 KiB blocks and their 1 MiB bound
# come only from long inputs: one more run of the readers' targets with them.
VIGN_FUZZ_MAX_LEN=2400000 tests/fuzz/run.sh "${VIGN_FUZZ_SECONDES:-20}" execution csv
