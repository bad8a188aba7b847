// A [codes] value can hold anything, and so can the field a code is made of.
// Input: the value, the label's size ("colonnes lignes") and a field's text,
// joined by the seeds' separator.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/colonnes.h"
#include "core/nombres.h"
#include "engine/avertissements.h"
#include "engine/codes.h"
#include "engine/composition.h"
#include "engine/encodeur.h"
#include "outils_fuzz.h"

namespace {

using vign::fuzz::exiger;

// The value the settings writer will give for a code read.
std::string ecrit(const vign::Code& c) {
  return std::string(vign::kNomsTypes[static_cast<std::size_t>(c.type)]) + " " +
         (c.entete.empty() ? std::to_string(c.champ) : c.entete) + " " + std::to_string(c.colonne) +
         " " + std::to_string(c.ligne) + " " + std::to_string(c.largeur) + " " +
         std::to_string(c.hauteur);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view reste(reinterpret_cast<const char*>(data), size);
  const std::string_view valeur = vign::fuzz::couper(reste, vign::fuzz::kSeparateur);
  std::string_view taille = vign::fuzz::couper(reste, vign::fuzz::kSeparateur);
  const int colonnes = vign::entier(vign::fuzz::couper(taille, " "));
  const int lignes = vign::entier(taille);

  const auto code = vign::lit_code("code1", valeur);
  if (!code) {
    exiger(code.erreur().message.rfind("Valeur invalide : [codes] code1=", 0) == 0, "refus");
    if (valeur.find('\n') == std::string_view::npos)
      exiger(code.erreur().message.find('\n') == std::string::npos, "refus sur une ligne");
    return 0;
  }
  exiger((code->champ >= 1 && code->champ <= 29) != !code->entete.empty(), "champ ou entete");
  exiger(code->colonne >= 0 && code->ligne >= 0 && code->largeur >= 1 && code->hauteur >= 1,
         "case");
  const auto relu = vign::lit_code("code1", ecrit(*code));
  exiger(relu && ecrit(*relu) == ecrit(*code), "le reglage ecrit se relit autrement");

  if (vign::verifie_code("code1", *code, colonnes, lignes)) {
    exiger(std::int64_t{code->colonne} + code->largeur <= colonnes &&
               std::int64_t{code->ligne} + code->hauteur <= lignes,
           "une case hors de l'etiquette acceptee");
  }

  // The field's text printed over the box in a line made of itself, as a
  // text print file does: bounded, and the line as wide as it was.
  static vign::Etat st;
  static vign::Rangee rangee;
  rangee.impr[1].assign(reste);
  const std::string ligne(rangee.impr[1].view());
  vign::recouvre(st, rangee, 1, 0, code->colonne, code->largeur, reste);
  exiger(rangee.impr[1].size() <= vign::LigneImpr::capacite, "ligne hors de son tampon");
  const bool controle = std::any_of(ligne.begin(), ligne.end(),
                                    [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  // (Bytes that are not UTF-8 may pair with their new neighbours into
  // another width, as anywhere in a line.)
  if (!controle && vign::octets_hors_utf8(reste) == 0 &&
      rangee.impr[1].size() < vign::LigneImpr::capacite)
    exiger(vign::colonnes(rangee.impr[1].view()) == vign::colonnes(ligne), "colonnes perdues");

  static vign::Encodeur encodeur;
  const auto s = encodeur.encode(code->type, reste);
  if (!s) return 0;
  exiger(s->largeur > 0 && s->hauteur > 0, "symbole vide");
  const vign::Boite boite = vign::boite_du_code(*code, 10, 20, 7.2, 12);
  const auto p = vign::place_symbole(*s, boite);
  if (!p) return 0;
  const double marge = 1e-6 * (boite.largeur + boite.hauteur);
  for (const vign::Boite& r : s->rectangles) {
    const double x = p->x + r.x * p->echelle_x, y = p->y + r.y * p->echelle_y;
    exiger(x >= boite.x - marge && y >= boite.y - marge &&
               x + r.largeur * p->echelle_x <= boite.x + boite.largeur + marge &&
               y + r.hauteur * p->echelle_y <= boite.y + boite.hauteur + marge,
           "un module hors de sa case");
  }
  return 0;
}
