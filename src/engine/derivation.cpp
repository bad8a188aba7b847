#include "engine/derivation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/controle.h"
#include "core/nombres.h"
#include "engine/composition.h"

namespace vign {

namespace {

constexpr double kPouce = 25.4;
constexpr double kMarge = 1.5;                // mm of padding when the template gives none
constexpr double kAvance = 0.6021;            // a monospace glyph's advance, in ems
constexpr double kHauteurTroisLignes = 12.0;  // mm
constexpr int kLignesMax = kLignes - 1;
constexpr double kJeu = 1e-9;  // what floating point loses on a whole number of cells

// One direction of the sheet: the pitch met by whole cells, the cells that
// fit in the label with their padding.
struct Axe {
  int pas = 0;         // cells per pitch (n or m)
  int utiles = 0;      // cells inside a label
  double cellule = 0;  // mm
  double debut = 0;    // from the text rectangle's edge to the first cell, mm
};

// `plancher`: fewest cells a label must hold; `plafond`: most it may.
std::optional<Axe> axe(double pitch, double texte, double marge, double cible, int plancher,
                       int plafond, int pas_max) {
  Axe a;
  if (!(pitch > 0) || !std::isfinite(pitch) || !(texte > 0)) return std::nullopt;
  a.pas = static_cast<int>(std::clamp(std::round(cible * pitch / kPouce), 1.0, pas_max + 1.0));
  for (;; ++a.pas) {
    if (a.pas > pas_max) return std::nullopt;
    a.cellule = pitch / a.pas;
    // The padding gives way on a label too small for it and one cell.
    const double p = std::clamp((texte - a.cellule) / 2, 0.0, marge);
    const double place = texte - 2 * p;
    a.utiles = static_cast<int>(std::min<double>(plafond, std::floor(place / a.cellule + kJeu)));
    if (a.utiles >= plancher) {
      a.debut = p + (place - a.utiles * a.cellule) / 2;
      return a;
    }
  }
}

}  // namespace

Resultat<Derivation> derive_planche(const Gabarit& g, const Cibles& cibles) {
  const std::string nom = "Planche \"" + g.reference() + "\" inutilisable : ";
  if (g.refus) return Erreur{nom + *g.refus};
  const double marge = g.marge_texte.value_or(kMarge);
  const int trois = g.utile.hauteur >= kHauteurTroisLignes ? 3 : 1;
  const int colonnes_max = static_cast<int>(Ligne::capacite) / std::max(1, g.nx);
  const auto x = axe(g.dx, g.utile.largeur, marge, cibles.cpi.value_or(12.0), 1,
                     static_cast<int>(Ligne::capacite), colonnes_max);
  // Lines are not bounded by a line buffer; a hundred a pitch is past any use.
  const auto y = axe(g.dy, g.utile.hauteur, marge, cibles.lpi.value_or(6.0), trois, kLignesMax,
                     std::max(100, trois * 4));
  if (!x) return Erreur{nom + "etiquettes trop etroites pour un caractere"};
  if (!y) return Erreur{nom + "etiquettes trop basses pour une ligne"};

  Derivation d;
  Format& f = d.format;
  f.etilar = g.nx;
  f.maxcareti = x->utiles;
  f.maxligeti = y->utiles;
  f.marge = 0;
  f.maxintetihor = x->pas - x->utiles;
  f.maxintetiver = y->pas - y->utiles;
  f.maxetipag = g.ny;
  f.maxpagcad = 0;
  f.libelle.assign(g.reference());
  f.aprpagimp = "\\012";
  f.aprpage = char_to_spec(f.aprpagimp);

  ReglagesPdf& r = d.pdf;
  r.largeur = g.page_largeur;
  r.hauteur = g.page_hauteur;
  r.cpi = x->pas * kPouce / g.dx;
  r.lpi = y->pas * kPouce / g.dy;
  r.gauche = g.x0 + g.utile.x + x->debut;
  r.haut = g.y0 + g.utile.y + y->debut;
  const double point = 72.0 / kPouce;
  r.taille =
      std::floor(std::min(0.8 * y->cellule, x->cellule / kAvance) * point * 100 + 1e-6) / 100;
  if (r.taille <= 0) return Erreur{nom + "caracteres trop petits"};

  if (auto verifie = verifie_format(f); !verifie) return Erreur{nom + verifie.erreur().message};
  if (r.largeur > 1200 || r.hauteur > 1200) return Erreur{nom + "papier de plus de 1200 mm"};
  if (auto tient = refus_planche_pdf(r, f); !tient) return Erreur{nom + tient.erreur().message};

  d.textes_pdf[0] = decimal(r.largeur, 6) + "x" + decimal(r.hauteur, 6);
  d.textes_pdf[1] = decimal(r.cpi, 6);
  d.textes_pdf[2] = decimal(r.lpi, 6);
  d.textes_pdf[3] = decimal(r.haut, 6);
  d.textes_pdf[4] = decimal(r.gauche, 6);
  d.textes_pdf[6] = decimal(r.taille, 6);
  return d;
}

}  // namespace vign
