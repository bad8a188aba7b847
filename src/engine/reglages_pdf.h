// The settings of a PDF or PNG print file: section [pdf] of the settings
// file. They say how the character grid of the print file lies on a sheet of
// paper: the page size, the pitch of the columns and lines, where column 0 of
// line 0 falls, the font, and whether the label outlines are drawn.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/resultat.h"
#include "engine/composition.h"
#include "formats/catalogue.h"

namespace vign {

// True when the print file named is to be drawn rather than printed, so that
// these settings apply: its name ends in ".pdf" or ".png", in any case.
bool sortie_pdf_demandee(std::string_view nom);

// True when the drawing is a PNG picture: the name ends in ".png", any case.
bool sortie_png_demandee(std::string_view nom);

struct ReglagesPdf {
  double largeur = 210.0;                   // page width, in mm (A4)
  double hauteur = 297.0;                   // page height, in mm
  double cpi = 10.0;                        // print columns per inch
  double lpi = 6.0;                         // print lines per inch
  double haut = 0.0;                        // from the sheet's top edge to line 0, in mm
  double gauche = 0.0;                      // from the sheet's left edge to column 0, in mm
  std::string police = "DejaVu Sans Mono";  // font family, looked up by fontconfig
  double taille = 0.8 * 72.0 / 6.0;         // font size, in points
  bool contours = false;                    // label outlines drawn on every page
  // The values as they stood in the file, by ValeurPdf; none for a key that
  // was not there.
  TextesPdf donnees{};

  double colonne_mm() const { return 25.4 / cpi; }  // width of one print column
  double ligne_mm() const { return 25.4 / lpi; }    // height of one print line
};

// Reads the values of [pdf], by ValeurPdf (none for a key that is not
// there). Every key is optional, and a key whose value is empty (blanks and
// carriage return aside) keeps its default:
//   page     A4 (210x297), A5 (148x210), Letter (215.9x279.4), any case, or
//            WIDTHxHEIGHT in mm ("x" or "X"), each side above 0 and at most
//            1200 mm (A0 fits; larger sheets are no label sheets);
//   cpi, lpi from 25.4/1200 (one column or line as wide as the largest
//            sheet) to 1000 (default 10 and 6);   haut, gauche 0 to 1200 (mm);
//   police   any family name;   taille 0.1 to 3401 points (as tall as the
//            largest sheet; default: 80% of a line's height, 0.8 x 72 / lpi);   contours "oui" (any
//            case) draws the outlines, anything else does not.
// Numbers are decimal, with a point or a comma. A value that is refused gives
// the one-line message "Valeur invalide dans le fichier BATCH : [pdf] key=value".
Resultat<ReglagesPdf> lit_reglages_pdf(const TextesPdf& valeurs);

// Refuses, saying why, a sheet whose first row does not fit on the page:
// marge + etilar x maxcareti + (etilar - 1) x maxintetihor columns wide (the
// gap after the last label is blank) and maxligeti lines high, from gauche
// and haut. Later rows may run off the page; that is the format's business,
// as on a printer.
Resultat<> refus_planche_pdf(const ReglagesPdf& r, const Format& p);

}  // namespace vign
