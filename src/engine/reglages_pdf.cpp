#include "engine/reglages_pdf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vign {

namespace {

constexpr double kPageMax = 1200.0;  // mm, a side

enum Cle : std::size_t { kPage, kCpi, kLpi, kHaut, kGauche, kPolice, kTaille, kContours };

// Blanks around a value are the file's layout, not the value: a settings file
// edited on another system ends its lines with a carriage return.
std::string_view sans_blancs(std::string_view v) {
  const auto blanc = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!v.empty() && blanc(v.front())) v.remove_prefix(1);
  while (!v.empty() && blanc(v.back())) v.remove_suffix(1);
  return v;
}

bool memes_lettres(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto min = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (min(a[i]) != min(b[i])) return false;
  }
  return true;
}

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
bool applique(ReglagesPdf& r, Cle cle, std::string_view v, bool& taille_donnee) {
  if (cle == kPage) return format_de_page(v, r.largeur, r.hauteur);
  if (cle == kPolice) {
    r.police = std::string(v);
    return true;
  }
  if (cle == kContours) {
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
    case kCpi:
      r.cpi = *x;
      return dans(kPasMin, kPasMax);
    case kLpi:
      r.lpi = *x;
      return dans(kPasMin, kPasMax);
    case kHaut:
      r.haut = *x;
      return dans(0, kPageMax);
    case kGauche:
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

std::variant<ReglagesPdf, std::string> lit_reglages_pdf(const CherchePdf& cherche) {
  ReglagesPdf r;
  bool taille_donnee = false;
  for (std::size_t i = 0; i < kClesPdf.size(); ++i) {
    r.donnees[i] = cherche(kClesPdf[i]);
    if (!r.donnees[i]) continue;
    const std::string_view v = sans_blancs(*r.donnees[i]);
    if (v.empty()) continue;
    if (!applique(r, static_cast<Cle>(i), v, taille_donnee)) {
      return "Valeur invalide dans le fichier BATCH : [pdf] " + std::string(kClesPdf[i]) + "=" +
             std::string(v);
    }
  }
  if (!taille_donnee) r.taille = 0.8 * 72.0 / r.lpi;
  return r;
}

std::optional<std::string> refus_planche_pdf(const ReglagesPdf& r, const Format& p) {
  // The gap after the last label of a row is blank: it may run off the page.
  const double colonnes = p.marge + static_cast<double>(p.etilar) * p.maxcareti +
                          static_cast<double>(std::max(p.etilar - 1, 0)) * p.maxintetihor;
  const double largeur = r.gauche + colonnes * r.colonne_mm();
  const double hauteur = r.haut + p.maxligeti * r.ligne_mm();
  // A pitch worked out to fill the sheet exactly must not be refused for the
  // last bit of a decimal fraction.
  constexpr double kJeu = 1e-6;
  if (largeur <= r.largeur + kJeu && hauteur <= r.hauteur + kJeu) return std::nullopt;
  const auto& page = r.donnees[kPage];
  const std::string nom = page && !sans_blancs(*page).empty() ? std::string(sans_blancs(*page))
                                                              : mm(r.largeur) + "x" + mm(r.hauteur);
  return "Page PDF trop petite pour la premiere rangee d'etiquettes (" + mm(largeur) + " x " +
         mm(hauteur) + " mm avec haut et gauche) : [pdf] page=" + nom;
}

}  // namespace vign
