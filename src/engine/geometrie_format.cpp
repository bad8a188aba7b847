#include "engine/geometrie_format.h"

#include <string_view>

#include "engine/derivation.h"

namespace vign {

Resultat<BasePlanches> base_planches(const std::vector<std::filesystem::path>& sources) {
  if (!lecture_xml_construite()) return Erreur{kSansXml};
  auto base = charge_planches(sources);
  if (!base) return base;
  if (base->gabarits.empty()) return Erreur{kSansPlanches};
  return base;
}

Resultat<std::optional<GeometrieFormat>> geometrie_du_format(
    const Format& f, const std::vector<std::filesystem::path>& sources) {
  if (f.planche.empty()) return std::optional<GeometrieFormat>{};
  auto ecrite = lit_geometrie(f.planche);
  if (!ecrite) return Erreur{ecrite.erreur().message};
  GeometrieFormat g;
  if (*ecrite) {
    g.textes = **ecrite;
    std::string_view nom = f.libelle.view();
    g.nom = nom.substr(0, nom.find_last_not_of(' ') + 1);
    return std::optional<GeometrieFormat>{g};
  }
  const auto base = base_planches(sources);
  if (!base) return Erreur{base.erreur().message};
  const Recherche r = cherche_planche(*base, f.planche);
  if (r.gabarit == nullptr) return Erreur{message_planche_inconnue(f.planche, r)};
  const auto d = derive_planche(*r.gabarit);
  if (!d) return Erreur{d.erreur().message};
  g.textes = d->textes_pdf;
  g.nom = r.gabarit->reference();
  return std::optional<GeometrieFormat>{g};
}

void completer_pdf(std::array<std::optional<std::string>, kValeursPdf>& pdf,
                   const TextesPdf& planche) {
  for (std::size_t i = 0; i < pdf.size(); ++i)
    if (!pdf[i] && planche[i]) pdf[i] = planche[i];
}

}  // namespace vign
