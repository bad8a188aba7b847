// A file of sheets can hold anything: ./planches.xml is the user's own. The
// reader, the assembly of the base and the derivation of every sheet read
// must hold for any text: no read or write past a bound, and every sheet
// that derives a format keeps its cells inside its labels' text rectangle.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/derivation.h"
#include "formats/planches.h"
#include "outils_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view texte(reinterpret_cast<const char*>(data), size);
  auto f = vign::analyse_planches_xml(texte, "planches.xml");
  if (!f) return 0;
  std::vector<vign::FichierPlanches> fichiers;
  fichiers.push_back(std::move(*f));
  const auto base = vign::assemble_planches(std::move(fichiers));
  for (const auto& g : base.gabarits) {
    (void)vign::retenue(vign::ligne_planche(g), "a 1");
    (void)vign::cherche_planche(base, g.piece);
    const auto d = vign::derive_planche(g);
    if (!d) continue;
    const double c = d->pdf.colonne_mm(), l = d->pdf.ligne_mm();
    const auto& p = d->format;
    // The last cell of the first label, against the label's text rectangle.
    const double droite = d->pdf.gauche + p.maxcareti * c;
    const double bas = d->pdf.haut + p.maxligeti * l;
    constexpr double kJeu = 1e-6;
    vign::fuzz::exiger(d->pdf.gauche >= g.x0 + g.utile.x - kJeu, "cellule a gauche de l'etiquette");
    vign::fuzz::exiger(d->pdf.haut >= g.y0 + g.utile.y - kJeu, "cellule au-dessus de l'etiquette");
    vign::fuzz::exiger(droite <= g.x0 + g.utile.x + g.utile.largeur + kJeu, "cellule a droite");
    vign::fuzz::exiger(bas <= g.y0 + g.utile.y + g.utile.hauteur + kJeu, "cellule en dessous");
  }
  return 0;
}
