#include "tui/choix_planche.h"

#include <algorithm>
#include <string>

#include "core/colonnes.h"
#include "engine/derivation.h"
#include "engine/geometrie_format.h"
#include "tui/saisie.h"
#include "tui/wn_format_crea.h"

namespace vign {

namespace {

constexpr int kRangeeFiltre = 2;
constexpr Zone kFiltre = {kRangeeFiltre, 11, 40};
constexpr int kPremiere = 4;  // first row of the list
constexpr int kVisibles = 17;
constexpr int kRangeeMessage = 21;  // and the row below, for a long one
constexpr int kRangeeCompte = 23;
constexpr long long kLargeurLigne = kColonnes - 3;  // after the mark and a blank

struct Choix {
  const BasePlanches& base;
  Terminal& t;
  std::string filtre;
  std::vector<const Gabarit*> retenues = filtre_planches(base, "");
  int marquee = 0;   // index in retenues
  int premiere = 0;  // index shown on the first row

  void filtrer() {
    retenues = filtre_planches(base, filtre);
    marquee = 0;
    premiere = 0;
  }

  void deplacer(int pas) {
    const int n = static_cast<int>(retenues.size());
    marquee = std::clamp(marquee + pas, 0, std::max(0, n - 1));
    premiere = std::clamp(premiere, marquee - kVisibles + 1, marquee);
  }

  void dessiner() {
    std::string liste;
    for (int r = 0; r < kVisibles; ++r) {
      const auto i = static_cast<std::size_t>(premiere + r);
      if (i < retenues.size()) {
        const std::string ligne = ligne_planche(*retenues[i]);
        liste += premiere + r == marquee ? "> " : "  ";
        liste += std::string_view(ligne).substr(0, coupe(ligne, kLargeurLigne));
      }
      liste += '\n';
    }
    pos(t, kPremiere, 1);
    affiche(t, liste);
    pos(t, kRangeeCompte, 1);
    affiche(t, "Planches : " + std::to_string(retenues.size()) + " sur " +
                   std::to_string(base.gabarits.size()) + "\n");
    // The filter too, whatever the keys left of it, and the cursor after it.
    pos(t, kFiltre.ligne, kFiltre.colonne);
    affiche(t, filtre + "\n");
    pos(t, kFiltre.ligne, kFiltre.colonne + static_cast<int>(colonnes_ecran(t, filtre)));
    t.rafraichir();
  }

  void dire(std::string_view texte) {
    pos(t, kRangeeMessage, 1);
    for (int r = 0; r < 2; ++r) {
      const std::size_t n = coupe(texte, kColonnes - 1);
      affiche(t, std::string(texte.substr(0, n)) + "\n");
      texte.remove_prefix(n);
    }
    dessiner();
  }
};

void attendre(Terminal& t) {
  std::string rien;
  acceptc(t, rien, 0);
}

}  // namespace

Issue choix_planche(Etat& st, Terminal& t, const std::vector<std::filesystem::path>& sources) {
  CLS(t);
  pos(t, 1, 1);
  affiche(t, "Planches du commerce (Entree : prendre, F11 : retour)\nFiltre : ");
  t.rafraichir();
  const auto base = base_planches(sources);
  if (!base) {
    pos(t, kRangeeMessage, 1);
    affiche(t, base.erreur().message);
    t.rafraichir();
    attendre(t);
    return std::nullopt;
  }
  Choix c{*base, t, {}};
  c.dessiner();
  for (;;) {
    // Typed on where the filter ends: dessiner leaves the cursor there.
    const int touche = acceptc(t, c.filtre, kFiltre.longueur,
                               {.reprise = true, .changement = [&c](const std::string&) {
                                  c.filtrer();
                                  c.dessiner();
                                }});
    if (touche == kF11) return std::nullopt;
    if (touche == kHaut || touche == kBas) {
      c.deplacer(touche == kHaut ? -1 : 1);
      c.dessiner();
      continue;
    }
    if (touche != kEntree) continue;
    if (c.retenues.empty()) {
      t.sonner();
      continue;
    }
    const Gabarit& g = *c.retenues[static_cast<std::size_t>(c.marquee)];
    // The reference becomes a field of a catalogue line: a ';' or a line
    // feed in it would end the line's fields where the sheet's name goes on.
    if (g.reference().find_first_of(";\n") != std::string::npos) {
      c.dire("Reference de planche inutilisable dans " + std::string(kCatalogue) + " : " +
             g.reference());
      continue;
    }
    const auto d = derive_planche(g);
    if (!d) {
      c.dire(d.erreur().message);
      continue;
    }
    const Format avant = st.formats[0];
    st.formats[0] = d->format;
    st.formats[0].planche = g.reference();
    CLS(t);
    return wn_format_revue(st, t, avant);
  }
}

Issue choix_planche(Etat& st, Terminal& t) {
  return choix_planche(st, t, sources_planches());
}

}  // namespace vign
