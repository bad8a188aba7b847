// Built where libxml2 was not found: the sheets of the trade cannot be read.
#include "formats/planches.h"

namespace vign {

bool lecture_xml_construite() {
  return false;
}

Resultat<FichierPlanches> analyse_planches_xml(std::string_view, std::string_view nom) {
  return Erreur{std::string(nom) +
                " : planches non lues, vign construit sans libxml2 (paquet libxml2-dev)"};
}

}  // namespace vign
