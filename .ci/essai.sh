#!/usr/bin/env bash
# The README's "Je commence" command opens the interactive program: run it in
# an 80x24 terminal (tmux), play the README's walk-through key by key
# (Formats, fIchiers, Presentation, Execution, Quitter), expect exit status 0,
# and compare the print file with the one the README shows under
# <!-- essai.prn -->, so that the two cannot drift. Run after the README's run
# command, which builds the program.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! commande=$(.ci/readme.sh essai 2>/dev/null); then
  echo "CI: pas de commande <!-- essai --> dans README.md, rien a essayer"
  exit 0
fi
echo "CI: $commande"

dossier=$(mktemp -d)
socket=vign-ci-$$
impression=examples/essai.prn
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; rm -rf "$dossier" "$impression"' EXIT
rm -f "$impression"
printf '%s\n' "$commande" >"$dossier/commande.sh"
# The status file is written only when the program has ended.
tmux -L "$socket" -f /dev/null new-session -d -x 80 -y 24 -s essai \
  "TERM=xterm bash -uo pipefail $dossier/commande.sh; echo \$? >$dossier/statut.tmp; mv $dossier/statut.tmp $dossier/statut; sleep 60"

ecran() { tmux -L "$socket" capture-pane -p -t essai; }
touches() { tmux -L "$socket" send-keys -t essai "$@"; }
attendre() {  # attendre CONDITION SECONDES: poll, never a fixed sleep
  local fin=$((SECONDS + $2))
  until eval "$1"; do
    if ((SECONDS >= fin)); then return 1; fi
    sleep 0.2
  done
}
echec() {
  ecran >&2
  [ -f "$dossier/statut" ] && echo "CI: termine avec le statut $(cat "$dossier/statut")" >&2
  echo "CI: $1" >&2
  exit 1
}
# voir TEXTE QUOI: waits until the screen shows TEXTE (a fixed string).
voir() {
  cherche=$1
  attendre 'ecran | grep -qF -- "$cherche" || [ -f "$dossier/statut" ]' 30 || true
  ecran | grep -qF -- "$cherche" || echec "$2 n'est pas apparu ($1)"
}
# marque ENTREE: waits for the menu's mark on ENTREE.
marque() { voir "| >$1" "le menu, la marque sur $1"; }

marque Formats
touches Enter
voir "Continu 3 de front 64x24 mm" "la liste des formats"
touches Up Up Enter
marque fIchiers
touches Enter
voir "Fichier d'entree" "l'ecran fIchiers"
# A lone ';' would end tmux's command: the backslash makes it a key.
touches adresses.txt Enter '\;' Enter essai.prn Enter
marque Presentation
touches Enter
voir "Placez les champs" "l'ecran Presentation"
touches 1 Enter 2 Enter 3+4 Enter Enter Enter
marque Execution
touches Enter
voir "7 etiquettes." "le compte des etiquettes"
marque Quitter
touches Enter
attendre '[ -f "$dossier/statut" ]' 10 || echec "Quitter n'a pas termine le programme"
statut=$(cat "$dossier/statut")
[ "$statut" -eq 0 ] || echec "le programme a rendu $statut"

# The README shows the print file with its form feeds and trailing blanks
# left out.
attendu=$(awk '
  { t = $0; sub(/^[ \t]+/, "", t) }
  t == "<!-- essai.prn -->" { on = 1; next }
  on && t ~ /^```/ { if (dedans) exit; dedans = 1; next }
  on && dedans { print }' README.md)
[ -n "$attendu" ] || echec "pas de fichier <!-- essai.prn --> dans README.md"
[ -f "$impression" ] || echec "pas de fichier d'impression $impression"
reel=$(tr -d '\f' <"$impression" | sed 's/ *$//')
if ! diff -u <(printf '%s\n' "$attendu") <(printf '%s\n' "$reel"); then
  echec "$impression n'est pas celui que montre README.md"
fi
echo "CI: le parcours du README rend 0 et imprime $impression comme il le montre"
