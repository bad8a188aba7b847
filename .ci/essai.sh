#!/usr/bin/env bash
# The README's "Je commence" command opens the interactive program: run it in
# an 80x24 terminal (tmux), wait for the main menu, leave with F11, and expect
# exit status 0. Run after the README's run command, which builds the program.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! commande=$(.ci/readme.sh essai 2>/dev/null); then
  echo "CI: pas de commande <!-- essai --> dans README.md, rien a essayer"
  exit 0
fi
echo "CI: $commande"

dossier=$(mktemp -d)
socket=vign-ci-$$
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; rm -rf "$dossier"' EXIT
printf '%s\n' "$commande" >"$dossier/commande.sh"
# The status file is written only when the program has ended.
tmux -L "$socket" -f /dev/null new-session -d -x 80 -y 24 -s essai \
  "TERM=xterm bash -uo pipefail $dossier/commande.sh; echo \$? >$dossier/statut.tmp; mv $dossier/statut.tmp $dossier/statut; sleep 60"

ecran() { tmux -L "$socket" capture-pane -p -t essai; }
attendre() {  # attendre CONDITION SECONDES: poll, never a fixed sleep
  local fin=$((SECONDS + $2))
  until eval "$1"; do
    if ((SECONDS >= fin)); then return 1; fi
    sleep 0.2
  done
}

menu() { ecran | grep -q "Quitter" && ecran | grep -q "fIchiers"; }
attendre 'menu || [ -f "$dossier/statut" ]' 30 || true
if ! menu; then
  ecran >&2
  [ -f "$dossier/statut" ] && echo "CI: termine avec le statut $(cat "$dossier/statut")" >&2
  echo "CI: le menu principal n'est pas apparu" >&2
  exit 1
fi
tmux -L "$socket" send-keys -t essai F11
if ! attendre '[ -f "$dossier/statut" ]' 10; then
  ecran >&2
  echo "CI: F11 n'a pas termine le programme" >&2
  exit 1
fi
statut=$(cat "$dossier/statut")
[ "$statut" -eq 0 ] || { ecran >&2; echo "CI: le programme a rendu $statut" >&2; exit 1; }
echo "CI: menu principal vu, F11 rend 0"
