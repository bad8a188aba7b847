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

std::variant<std::unique_ptr<SortiePdf>, std::string> SortiePdf::ouvre(const std::string& nom,
                                                                       const ReglagesPdf&,
                                                                       const Planche&) {
  return "Sortie PDF absente de cette version de vign : \"" + nom + "\"";
}

std::variant<std::unique_ptr<SortiePdf>, std::string> SortiePdf::ouvre(std::FILE* f,
                                                                       const std::string& nom,
                                                                       const ReglagesPdf& r,
                                                                       const Planche& p) {
  if (f != nullptr) std::fclose(f);
  return ouvre(nom, r, p);
}

// No sink is ever made: these are never reached.
void SortiePdf::ecrit(std::string_view) {}
void SortiePdf::fin_de_page() {}
Resultat<> SortiePdf::code(TypeCode, std::string_view, int, int, int, int) {
  return {};
}
int SortiePdf::raison() const {
  return 0;
}
const std::optional<std::string>& SortiePdf::remarque() const {
  static const std::optional<std::string> aucune;
  return aucune;
}
bool SortiePdf::en_erreur() const {
  return true;
}
std::optional<std::string> SortiePdf::ferme() {
  return std::nullopt;
}

}  // namespace vign
