#include "engine/encodeur.h"

#include <zint.h>

#include <algorithm>
#include <array>

namespace vign {

namespace {

struct Symbologie {
  int zint;
  std::size_t chiffres_min;  // EAN and UPC: the lengths they take, check digit
  std::size_t chiffres_max;  // or not; 0 when any text goes
};

// In the order of TypeCode.
constexpr std::array<Symbologie, kNomsTypes.size()> kSymbologies = {{
    {BARCODE_QRCODE, 0, 0},
    {BARCODE_DATAMATRIX, 0, 0},
    {BARCODE_AZTEC, 0, 0},
    {BARCODE_CODE128, 0, 0},
    {BARCODE_CODE39, 0, 0},
    {BARCODE_EANX, 12, 13},
    {BARCODE_EANX, 7, 8},
    {BARCODE_UPCA, 11, 12},
}};

// libzint's vector output counts two units to a module.
constexpr double kUnitesParModule = 2.0;

// libzint pads a short EAN with zeros and reads up to five digits as an
// add-on: a shorter or longer value is a slip in the data, not a code to
// print with other digits than the record's.
std::optional<std::string> refus_chiffres(const Symbologie& s, std::string_view v) {
  if (s.chiffres_max == 0) return std::nullopt;
  if (!std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return "des chiffres seulement";
  if (v.size() < s.chiffres_min || v.size() > s.chiffres_max)
    return std::to_string(s.chiffres_min) + " ou " + std::to_string(s.chiffres_max) +
           " chiffres attendus";
  return std::nullopt;
}

// libzint raises the letters of a Code 39 to capitals: the code would read
// back as another text than the record's.
bool minuscule(std::string_view v) {
  return std::any_of(v.begin(), v.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

std::string raison_zint(int retour) {
  switch (retour) {
    case ZINT_ERROR_TOO_LONG:
      return "trop long pour ce type";
    case ZINT_ERROR_INVALID_DATA:
      return "caracteres refuses par ce type";
    case ZINT_ERROR_INVALID_CHECK:
      return "chiffre de controle faux";
    default:
      return "code impossible (libzint " + std::to_string(retour) + ")";
  }
}

}  // namespace

bool codes_construits() {
  return true;
}

Encodeur::Encodeur() : symbole_(ZBarcode_Create()) {}

Encodeur::~Encodeur() {
  ZBarcode_Delete(symbole_);
}

Resultat<Symbole> Encodeur::encode(TypeCode type, std::string_view valeur) {
  if (symbole_ == nullptr) return Erreur{"memoire epuisee"};
  const Symbologie& s = kSymbologies[static_cast<std::size_t>(type)];
  if (const auto refus = refus_chiffres(s, valeur)) return Erreur{*refus};
  if (type == TypeCode::code39 && minuscule(valeur)) return Erreur{"minuscules refusees"};
  if (valeur.empty()) return Erreur{"valeur vide"};
  if (valeur.size() > ZINT_MAX_DATA_LEN) return Erreur{"trop long pour ce type"};

  // The options are set again each time: ZBarcode_Clear frees the last
  // drawing but leaves them, and a value must not inherit another's.
  ZBarcode_Clear(symbole_);
  symbole_->symbology = s.zint;
  symbole_->show_hrt = 0;
  symbole_->output_options = BARCODE_QUIET_ZONES;
  symbole_->input_mode = UNICODE_MODE;
  symbole_->option_3 = type == TypeCode::datamatrix ? DM_SQUARE : 0;
  // A warning (an automatic ECI, say) still gives a symbol readers take.
  const int retour = ZBarcode_Encode_and_Buffer_Vector(
      symbole_, reinterpret_cast<const unsigned char*>(valeur.data()),
      static_cast<int>(valeur.size()), 0);
  if (retour >= ZINT_ERROR || symbole_->vector == nullptr) return Erreur{raison_zint(retour)};

  Symbole sortie;
  sortie.largeur = symbole_->vector->width / kUnitesParModule;
  sortie.hauteur = symbole_->vector->height / kUnitesParModule;
  sortie.carre = code_carre(type);
  for (const zint_vector_rect* r = symbole_->vector->rectangles; r != nullptr; r = r->next) {
    // Colour 0 and -1 are the foreground; the others, white among them,
    // are only ever asked for by options this program does not set.
    if (r->colour > 0) continue;
    sortie.rectangles.push_back({r->x / kUnitesParModule, r->y / kUnitesParModule,
                                 r->width / kUnitesParModule, r->height / kUnitesParModule});
  }
  return sortie;
}

}  // namespace vign
