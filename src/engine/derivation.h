// From a sheet of the trade to what prints on it: a format (labels across,
// characters and lines per label, gaps, rows per page, a form feed at the
// page's end) and the geometry of the PDF print file (paper, pitch of the
// columns and lines, where column 0 of line 0 falls, the font size), so that
// the user does no arithmetic.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/etat.h"
#include "core/resultat.h"
#include "engine/reglages_pdf.h"
#include "formats/planches.h"

namespace vign {

// The pitch aimed at: 12 columns and 6 lines per inch unless the user's own
// [pdf] cpi= or lpi= is given. The derived pitch is near it, not equal.
struct Cibles {
  std::optional<double> cpi;
  std::optional<double> lpi;
};

struct Derivation {
  Format format;    // the eight numbers, the sheet's reference as libelle, "\012" at page end
  ReglagesPdf pdf;  // page, cpi, lpi, haut, gauche, taille derived; police and contours default
  // The derived [pdf] values as the settings file writes them, by the index
  // of kClesPdf; none for police and contours.
  std::array<std::optional<std::string>, kValeursPdf> textes_pdf{};
};

// The rule, in the sheet's millimetres (pitch dx, dy; text rectangle W x H
// of each label, the label itself or the rectangle inscribed in a round one;
// padding p, the template's Markup-margin or else 1.5 mm):
//   columns   n = round(cible_cpi x dx / 25.4), at least 1: a column is
//             c = dx / n wide, cpi = n x 25.4 / dx, and the label pitch is
//             exactly n columns;
//   lines     m = round(cible_lpi x dy / 25.4), at least 1, raised until a
//             text rectangle 12 mm high or more holds 3 lines: a line is
//             l = dy / m high, lpi = m x 25.4 / dy;
//   padding   p, lowered to what leaves room for one cell on a label too
//             small for it (and never below 0);
//   label     maxcareti = floor((W - 2p) / c), maxligeti = floor((H - 2p) / l),
//             at most 29; maxintetihor = n - maxcareti, maxintetiver =
//             m - maxligeti; the cells are centred in what the padding leaves;
//   page      etilar = labels across, maxetipag = rows, marge = 0, no
//             alignment page, a form feed at the page's end; [pdf] page = the
//             paper, gauche and haut = the first label's text corner plus the
//             centring offset;
//   font      taille = the smaller of 0.8 x a line and a column / 0.6021 (the
//             advance of DejaVu Sans Mono, and near that of every monospace
//             font), in points, rounded down to 0.01.
// So every cell of every label lies inside its text rectangle, less the
// padding. Refused in one line: a sheet listed as refused, one whose cells
// cannot fit (a label narrower than a cell at 254 columns a line), or one
// whose format or page the printing would refuse.
Resultat<Derivation> derive_planche(const Gabarit& g, const Cibles& cibles = {});

}  // namespace vign
