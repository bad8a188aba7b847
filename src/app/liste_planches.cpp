#include "app/liste_planches.h"

#include <string>

#include "formats/planches.h"

namespace vign {

int liste_planches(std::string_view filtre, const std::vector<std::filesystem::path>& sources,
                   std::FILE* sortie, std::FILE* erreurs) {
  if (!lecture_xml_construite()) {
    std::fputs("vign : planches non lues, vign construit sans libxml2 (paquet libxml2-dev)\n",
               erreurs);
    return 1;
  }
  const auto base = charge_planches(sources);
  if (!base) {
    std::fprintf(erreurs, "vign : %s\n", base.erreur().message.c_str());
    return 1;
  }
  if (base->gabarits.empty()) {
    std::fputs(
        "vign : aucune planche trouvee ; installez le paquet glabels-data, ou ecrivez "
        "./planches.xml\n",
        erreurs);
    return 1;
  }
  const auto retenues = filtre_planches(*base, filtre);
  if (retenues.empty()) {
    std::fprintf(erreurs, "vign : aucune planche ne correspond a \"%.*s\"\n",
                 static_cast<int>(filtre.size()), filtre.data());
    return 1;
  }
  for (const Gabarit* g : retenues) {
    if (std::fprintf(sortie, "%s\n", ligne_planche(*g).c_str()) < 0) return 1;
  }
  return std::fflush(sortie) != 0 ? 1 : 0;
}

}  // namespace vign
