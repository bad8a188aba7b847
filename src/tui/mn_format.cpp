#include "tui/mn_format.h"

#include <string>

#include "core/colonnes.h"
#include "tui/reglage_planche.h"
#include "tui/saisie.h"

namespace vign {

namespace {

constexpr int kRangeeTitre = 4;
constexpr int kRangeeCreation = 5;     // slot 0; slot k is on row 5 + k
constexpr int kColonneMarque = 3;      // the ">" stands just before the name
constexpr long long kLargeurNom = 36;  // columns

// The title names the two keys of the list beyond the arrows: P opens the
// sheets of the trade, G the geometry of the marked format's PDF sheet.
constexpr const char* kTitre = "!+ Formats predefinis (P:planche G:pdf) +\"\n";
constexpr const char* kPied = "#++++++++++++++++++++++++++++++++++++++++$\n";
constexpr const char* kCreation = "Creation d'un nouveau format";

std::string rangee_format(const Libelle& nom) {
  std::string r = "*  ";
  r += nom.view();
  // Padded by columns, so that an accented name keeps the border in place.
  const long long largeur = colonnes(nom.view());
  if (largeur < kLargeurNom) r.append(static_cast<std::size_t>(kLargeurNom - largeur), ' ');
  r += "  *\n";
  return r;
}

void dessiner(const Etat& st, Terminal& t) {
  std::string boite = kTitre;
  for (int k = 0; k <= st.MAXFORMAT; ++k)
    boite += rangee_format(st.formats[static_cast<std::size_t>(k)].libelle);
  boite += kPied;
  pos(t, kRangeeTitre, 1);
  affiche(t, boite);
  t.rafraichir();
}

}  // namespace

Issue mn_format(Etat& st, Terminal& t, const std::vector<int>& erreurs) {
  // One message however many lines are wrong: they would run together over
  // the menu, since nothing ends the row between them.
  if (!erreurs.empty()) {
    std::string message = "Erreur fichier format ligne " + std::to_string(erreurs.front());
    if (erreurs.size() > 1) message += " (" + std::to_string(erreurs.size()) + " lignes en erreur)";
    affiche(t, message);
  }
  st.formats[0].libelle.assign(kCreation);
  dessiner(st, t);

  const int derniere = kRangeeCreation + st.MAXFORMAT;
  int courante = kRangeeCreation;
  int precedente = kRangeeCreation;
  for (;;) {
    const int touche = marque(t, precedente, courante, kColonneMarque, "PpGg");
    precedente = courante;
    if (touche == kF11) return std::nullopt;
    if (touche == 'P' || touche == 'p') return kChoixPlanches;
    if ((touche == 'G' || touche == 'g') && courante > kRangeeCreation) {
      reglage_planche(st, t, courante - kRangeeCreation);
      return courante - kRangeeCreation;
    }
    if (touche == kHaut) --courante;
    if (touche == kBas) ++courante;
    // The list runs round in both directions.
    if (courante < kRangeeCreation) courante = derniere;
    if (courante > derniere) courante = kRangeeCreation;
    t.rafraichir();
    if (touche == kEntree) return courante - kRangeeCreation;
  }
}

}  // namespace vign
