// Barcodes and 2D codes on the labels ([codes] code1 to code9): what one
// setting asks for, where it goes on the label, and the symbol a record's
// field makes of it.
//
// A setting reads "TYPE CHAMP COLONNE LIGNE LARGEUR HAUTEUR", for instance
// "qr 3 20 0 10 5": a QR code of field 3 whose box starts at column 20 and
// line 0 of the label (both from 0) and takes 10 columns and 5 lines. CHAMP
// is a field number (in screen mode, the number of a typed line) or, with a
// header row, the name of one of its columns; a name may hold spaces, since
// the four numbers are taken from the end.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

// The symbologies a setting may name, in the order of kNomsTypes.
enum class TypeCode { qr, datamatrix, aztec, code128, code39, ean13, ean8, upca };

// Their names as a setting writes them, lower case.
inline constexpr std::array<std::string_view, 8> kNomsTypes = {
    "qr", "datamatrix", "aztec", "code128", "code39", "ean13", "ean8", "upca"};

// The 2D codes, drawn square and centred in their box; the others are bar
// codes, stretched to fill it.
bool code_carre(TypeCode t);

// The key of code i (1 to kCodes): "code1".
std::string cle_code(int i);

struct Code {
  TypeCode type = TypeCode::qr;
  int champ = 0;       // field number, 1 to 29; 0 when the field is named
  std::string entete;  // the header column's name, when the field is named
  int colonne = 0;     // left column of the box in the label, from 0
  int ligne = 0;       // top line of the box in the label, from 0
  int largeur = 1;     // columns the box takes
  int hauteur = 1;     // lines the box takes
};

// One value of [codes]; `cle` is the key it was read from, named by the
// refusal ("[codes] code1 : type inconnu \"qrr\"").
Resultat<Code> lit_code(std::string_view cle, std::string_view valeur);

// Refuses a box that does not fit in a label of `colonnes` x `lignes`.
Resultat<> verifie_code(std::string_view cle, const Code& code, int colonnes, int lignes);

// A rectangle, in whatever unit its user works in (points on a page,
// modules of a symbol).
struct Boite {
  double x = 0;  // left edge
  double y = 0;  // top edge, y growing downwards
  double largeur = 0;
  double hauteur = 0;
};

// The box of a code on the page, given the top-left corner of the label's
// first cell and the size of one cell, all in one unit.
Boite boite_du_code(const Code& code, double x_etiquette, double y_etiquette, double colonne,
                    double ligne);

// An encoded value: the dark modules as rectangles, in modules from the
// symbol's top-left corner, quiet zone included in its size.
struct Symbole {
  std::vector<Boite> rectangles;
  double largeur = 0;  // in modules, quiet zones included
  double hauteur = 0;
  bool carre = false;  // drawn with one scale on both axes
};

// Where a symbol lands in a box: page = origine + module x echelle.
struct Placement {
  double x = 0;
  double y = 0;
  double echelle_x = 0;
  double echelle_y = 0;
};

// A module narrower than this cannot be printed nor read back: 0.19 mm, the
// finest bar width a label printer of 203 dots per inch lays reliably.
inline constexpr double kModuleMinPoints = 0.19 * 72.0 / 25.4;

// Fits a symbol into a box: square symbols with one scale, centred; bar
// codes stretched to the box. A symbol whose modules would come out
// narrower than `module_min` is too long for the box.
Resultat<Placement> place_symbole(const Symbole& s, const Boite& boite,
                                  double module_min = kModuleMinPoints);

// The values that drew no code during a run, for the one warning line the
// run ends with.
class CompteurCodes {
 public:
  void echec(std::string_view cle, long enregistrement, std::string_view valeur);
  int nombre() const { return nombre_; }
  // "3 codes non imprimables (code1, premier : enregistrement 17 \"12AB\")",
  // nothing when every code was drawn.
  std::optional<std::string> avertissement() const;

 private:
  int nombre_ = 0;
  std::string cle_;
  long enregistrement_ = 0;
  std::string valeur_;
};

}  // namespace vign
