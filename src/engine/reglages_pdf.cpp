#include "engine/reglages_pdf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/mots.h"
#include "formats/inifile.h"

namespace vign {

namespace {

constexpr double kPageMax = 1200.0;  // mm, a side

bool finit_par(std::string_view nom, std::string_view fin) {
  return nom.size() >= fin.size() && memes_lettres(nom.substr(nom.size() - fin.size()), fin);
}

// A decimal number and nothing else; French users write a decimal comma.
std::optional<double> nombre(std::string_view v) {
  std::string texte(v);
  for (char& c : texte) {
    if (c == ',') c = '.';
  }
  double x = 0.0;
  const char* fin = texte.data() + texte.size();
  const auto [p, ec] = std::from_chars(texte.data(), fin, x, std::chars_format::fixed);
  if (texte.empty() || ec != std::errc() || p != fin || !std::isfinite(x)) return std::nullopt;
  return x;
}

bool format_de_page(std::string_view v, double& largeur, double& hauteur) {
  struct Nommee {
    std::string_view nom;
    double largeur, hauteur;
  };
  static constexpr Nommee kPages[] = {
      {"A4", 210.0, 297.0}, {"A5", 148.0, 210.0}, {"Letter", 215.9, 279.4}};
  for (const auto& page : kPages) {
    if (memes_lettres(v, page.nom)) {
      largeur = page.largeur;
      hauteur = page.hauteur;
      return true;
    }
  }
  const std::size_t x = v.find_first_of("xX");
  if (x == std::string_view::npos) return false;
  const auto l = nombre(v.substr(0, x));
  const auto h = nombre(v.substr(x + 1));
  const auto juste = [](const std::optional<double>& c) { return c && *c > 0 && *c <= kPageMax; };
  if (!juste(l) || !juste(h)) return false;
  largeur = *l;
  hauteur = *h;
  return true;
}

// Reads one value into r; false when it makes no sense.
bool applique(ReglagesPdf& r, ValeurPdf cle, std::string_view v, bool& taille_donnee) {
  if (cle == kPdfPage) return format_de_page(v, r.largeur, r.hauteur);
  if (cle == kPdfPolice) {
    r.police = std::string(v);
    return true;
  }
  if (cle == kPdfContours) {
    r.contours = memes_lettres(v, "oui");
    return true;
  }
  const auto x = nombre(v);
  if (!x) return false;
  // What a sheet can hold: a column or a line no larger than the largest
  // sheet, a start on it, a character no taller than it (and large enough
  // for the drawing library to scale). Beyond that the text library gives
  // up and draws nothing.
  constexpr double kPasMin = 25.4 / kPageMax;
  constexpr double kPasMax = 1000;
  constexpr double kTailleMax = kPageMax * 72.0 / 25.4;
  const auto dans = [&x](double bas, double haut) { return *x >= bas && *x <= haut; };
  switch (cle) {
    case kPdfCpi:
      r.cpi = *x;
      return dans(kPasMin, kPasMax);
    case kPdfLpi:
      r.lpi = *x;
      return dans(kPasMin, kPasMax);
    case kPdfHaut:
      r.haut = *x;
      return dans(0, kPageMax);
    case kPdfGauche:
      r.gauche = *x;
      return dans(0, kPageMax);
    default:
      r.taille = *x;
      taille_donnee = true;
      return dans(0.1, kTailleMax);
  }
}

std::string mm(double x) {
  char texte[32];
  std::snprintf(texte, sizeof texte, "%.1f", x);
  return texte;
}

}  // namespace

bool sortie_pdf_demandee(std::string_view nom) {
  return finit_par(nom, ".pdf") || sortie_png_demandee(nom);
}

bool sortie_png_demandee(std::string_view nom) {
  return finit_par(nom, ".png");
}

Resultat<ReglagesPdf> lit_reglages_pdf(const TextesPdf& valeurs) {
  ReglagesPdf r;
  r.donnees = valeurs;
  bool taille_donnee = false;
  for (std::size_t i = 0; i < kValeursPdf; ++i) {
    if (!r.donnees[i]) continue;
    const std::string_view v = sans_blancs(*r.donnees[i]);
    if (v.empty()) continue;
    if (!applique(r, static_cast<ValeurPdf>(i), v, taille_donnee)) {
      return valeur_invalide_lue("[pdf] " + std::string(kClesPdf[i]) + "=" + std::string(v));
    }
  }
  if (!taille_donnee) r.taille = 0.8 * 72.0 / r.lpi;
  return r;
}

Resultat<> refus_planche_pdf(const ReglagesPdf& r, const Format& p) {
  // The gap after the last label of a row is blank: it may run off the page.
  const double colonnes = p.marge + static_cast<double>(p.etilar) * p.maxcareti +
                          static_cast<double>(std::max(p.etilar - 1, 0)) * p.maxintetihor;
  const double largeur = r.gauche + colonnes * r.colonne_mm();
  const double hauteur = r.haut + p.maxligeti * r.ligne_mm();
  // A pitch worked out to fill the sheet exactly must not be refused for the
  // last bit of a decimal fraction.
  constexpr double kJeu = 1e-6;
  if (largeur <= r.largeur + kJeu && hauteur <= r.hauteur + kJeu) return {};
  const auto& page = r.donnees[kPdfPage];
  const std::string nom = page && !sans_blancs(*page).empty() ? std::string(sans_blancs(*page))
                                                              : mm(r.largeur) + "x" + mm(r.hauteur);
  return Erreur{"Page PDF trop petite pour la premiere rangee d'etiquettes (" + mm(largeur) +
                " x " + mm(hauteur) + " mm avec haut et gauche) : [pdf] page=" + nom};
}

}  // namespace vign
