#!/usr/bin/env bash
# The project's one list of Debian packages, and their installation: only the
# packages missing from this machine are installed (apt-get, as root or through
# sudo). Every script that needs a package asks for its group here.
#
#   scripts/paquets.sh             what the tests need (includes programme)
#   scripts/paquets.sh programme   what building the program needs
#   scripts/paquets.sh fuzz        the fuzzers (clang and libFuzzer)
#   scripts/paquets.sh valgrind    the memory check
#   scripts/paquets.sh --liste [GROUPE]   prints the list, installs nothing
set -euo pipefail

programme=(cmake g++ make pkg-config libncurses-dev libxml2-dev glabels-data)
# The PDF output is built when cairo and pango are found; the tests read the
# PDF back with poppler's tools and need the font drawn by default.
tests=("${programme[@]}" libgtest-dev libvterm-dev mandoc groff-base dpkg-dev file tmux
       libcairo2-dev libpango1.0-dev fonts-dejavu-core poppler-utils)
fuzz=(clang libclang-rt-14-dev)
valgrind=(valgrind)

liste=0
if [ "${1:-}" = --liste ]; then liste=1; shift; fi
groupe=${1:-tests}
case $groupe in
  programme) paquets=("${programme[@]}") ;;
  tests) paquets=("${tests[@]}") ;;
  fuzz) paquets=("${fuzz[@]}") ;;
  valgrind) paquets=("${valgrind[@]}") ;;
  *) echo "paquets.sh : groupe inconnu \"$groupe\" (programme, tests, fuzz, valgrind)" >&2; exit 2 ;;
esac
if ((liste)); then printf '%s\n' "${paquets[@]}"; exit 0; fi

manquants=()
for p in "${paquets[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || manquants+=("$p")
done
((${#manquants[@]})) || exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || {
    echo "paquets.sh : il manque ${manquants[*]} ; installez-les en root (apt-get install)" >&2
    exit 1
  }
  sudo=(sudo)
fi
echo "paquets.sh : installation de ${manquants[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${manquants[@]}" >/dev/null
