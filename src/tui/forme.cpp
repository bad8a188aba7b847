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

}  // namespace vign
