#!/usr/bin/env bash
# The Debian package as a user gets it: a Release build (no sanitizers, no
# tests), `cpack -G DEB`, the .deb unpacked into a scratch root, then the
# shipped examples printed by the installed binary from a copy of the installed
# example directory.
set -euo pipefail
cd "$(dirname "$0")/.."

arbre=build-paquet
rm -rf "$arbre"
cmake -S . -B "$arbre" -DCMAKE_BUILD_TYPE=Release -DVIGN_SANITIZE=OFF -DVIGN_TESTS=OFF >/dev/null
cmake --build "$arbre" -j2 >/dev/null
(cd "$arbre" && cpack -G DEB >/dev/null)

debs=("$arbre"/vign_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "CI: pas de paquet unique dans $arbre" >&2; exit 1; }
deb=${debs[0]}
echo "CI: paquet $(basename "$deb")"

racine=$(mktemp -d)
essai=$(mktemp -d)
trap 'rm -rf "$racine" "$essai"' EXIT
dpkg -x "$deb" "$racine"

echec() { echo "CI: paquet: $*" >&2; exit 1; }
[ -x "$racine/usr/bin/vign" ] || echec "usr/bin/vign absent"
[ -s "$racine/usr/share/man/man1/vign.1" ] || echec "page de manuel absente"
exemples=$racine/usr/share/vign/examples
[ -s "$exemples/formats.txt" ] || echec "exemples absents de usr/share/vign/examples"
if compgen -G "$exemples/*.prn" >/dev/null; then echec "un fichier d'impression est parmi les exemples"; fi

# Every package the .deb depends on must be installed here, as on a user's
# machine of this kind: otherwise the run below would prove nothing.
dependances=$(dpkg-deb -f "$deb" Depends)
grep -q ncurses <<<"$dependances" || echec "ncurses manque aux dependances: $dependances"
for d in $(tr ',' '\n' <<<"$dependances" | sed 's/(.*)//; s/|.*//' | tr -d ' '); do
  dpkg-query -W -f='${Status}' "$d" 2>/dev/null | grep -q 'install ok installed' || echec "dependance $d non installee"
done

# A batch run prints and says nothing: exit 0, silent, a print file.
imprime() {
  local ini=$1; shift
  local qui="vign -l $ini${*:+ $*}"
  local sortie
  sortie=$(sed -n 's/^etiquettes=//p' "$essai/$ini" | head -n 1)
  [ -n "$sortie" ] || echec "$ini ne nomme pas de fichier d'impression"
  rm -f "$essai/$sortie"
  local statut=0
  (cd "$essai" && "$racine/usr/bin/vign" -l "$ini" "$@" >"$essai/out.txt" 2>"$essai/err.txt") || statut=$?
  [ "$statut" -eq 0 ] || { cat "$essai/err.txt" >&2; echec "$qui a rendu $statut"; }
  [ ! -s "$essai/out.txt" ] && [ ! -s "$essai/err.txt" ] || echec "$qui n'est pas silencieux"
  [ -s "$essai/$sortie" ] || echec "$qui n'a rien imprime dans $sortie"
  echo "CI: paquet: $qui -> $sortie, $(wc -c <"$essai/$sortie") octets"
}
cp -R "$exemples/." "$essai/"
# The three ways of reading label text: delimited, fixed-width, typed lines.
imprime delimite.ini
imprime fixe.ini -f format.def
imprime ecran.ini
