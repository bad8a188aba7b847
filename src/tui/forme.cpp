#include "tui/forme.h"

#include "core/colonnes.h"

namespace vign {

bool saisir_forme(
    Terminal& t, std::span<const ChampForme> champs, bool reprise,
    const std::function<std::string(std::size_t)>& valeur,
    const std::function<void(std::size_t, const std::string&, const std::string&)>& garder) {
  std::size_t i = 0;
  while (i < champs.size()) {
    const Zone& z = champs[i].zone;
    std::string montre;
    if (reprise) {
      montre = valeur(i);
      montre.resize(coupe(montre, z.longueur));
    }
    std::string texte = montre;
    pos(t, z.ligne, z.colonne + static_cast<int>(colonnes_ecran(t, texte)));
    const int touche =
        acceptc(t, texte, z.longueur, {.refuses = champs[i].refuses, .reprise = reprise});
    if (touche == kF11) return false;
    garder(i, montre, texte);
    t.rafraichir();
    i = touche == kHaut && i > 0 ? i - 1 : i + 1;
  }
  return true;
}

namespace {

constexpr int kColonneMessage = 3;
constexpr long long kLargeurMessage = 66;
constexpr int kLongueurReponse = 2;

}  // namespace

void dire_forme(Terminal& t, int rangee, std::string_view texte) {
  pos(t, rangee, kColonneMessage);
  affiche(t, std::string(kLargeurMessage + kLongueurReponse + 1, ' '));
  pos(t, rangee, kColonneMessage);
  affiche(t, texte.substr(0, coupe(texte, kLargeurMessage)));
  t.rafraichir();
}

void attendre_forme(Terminal& t) {
  std::string rien;
  acceptc(t, rien, kLongueurReponse);
}

bool oui_forme(Terminal& t, int rangee, std::string_view question, int reponse) {
  dire_forme(t, rangee, question);
  pos(t, rangee, reponse);
  std::string tape;
  acceptc(t, tape, kLongueurReponse);
  return !tape.empty() && (tape[0] == 'O' || tape[0] == 'o');
}

}  // namespace vign
