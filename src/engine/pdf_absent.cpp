// The PDF sink of a build made without cairo and pango: the file names that
// ask for a drawing are still known, so that such a run is refused in words
// instead of printing text into a file named .pdf.
#include "engine/pdf.h"

namespace vign {

struct SortiePdf::Dessin {};

bool sortie_pdf_construite() {
  return false;
}

SortiePdf::SortiePdf(std::unique_ptr<Dessin> dessin) : dessin_(std::move(dessin)) {}
SortiePdf::~SortiePdf() = default;

Resultat<std::unique_ptr<SortiePdf>> SortiePdf::ouvre(const std::string& nom, const ReglagesPdf&,
                                                        const Format&) {
  return Erreur{"Sortie PDF absente de cette version de vign : \"" + nom + "\""};
}

Resultat<std::unique_ptr<SortiePdf>> SortiePdf::ouvre(std::FILE* f, const std::string& nom,
                                                        const ReglagesPdf& r, const Format& p) {
  if (f != nullptr) std::fclose(f);
  return ouvre(nom, r, p);
}

// No sink is ever made: these are never reached.
void SortiePdf::ecrit(std::string_view) {}
void SortiePdf::fin_de_page() {}
Resultat<> SortiePdf::code(TypeCode, std::string_view, int, int, int, int) {
  return {};
}
const std::optional<std::string>& SortiePdf::remarque() const {
  static const std::optional<std::string> aucune;
  return aucune;
}
Resultat<> SortiePdf::verifie() const {
  return Erreur{"Sortie PDF absente de cette version de vign"};
}
Resultat<> SortiePdf::ferme() {
  return {};
}

}  // namespace vign
