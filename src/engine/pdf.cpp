#include "engine/pdf.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/arret.h"
#include "engine/dessin_codes.h"

namespace vign {

namespace {

constexpr double kPointsParMm = 72.0 / 25.4;
constexpr double kPointsPng = 150.0 / 72.0;  // pixels per point of the PNG picture
constexpr std::size_t kLigneMax = 4096;
constexpr int kGras = 1, kItalique = 2, kSouligne = 4;
// The ESC/P commands that take one parameter byte after them.
constexpr std::string_view kAvecParametre = "3AJjQlCN!xkpWSURtwra+s";
constexpr char kRemplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The code point of the UTF-8 sequence at s[i], moving i past it; -1 for a
// byte that starts no valid sequence (i then moves past that byte alone).
long decode(std::string_view s, std::size_t& i) {
  const auto c = static_cast<unsigned char>(s[i]);
  // The continuation bytes its lead byte announces; 4 for a byte that leads
  // no sequence.
  const std::size_t n = c < 0x80   ? 0
                        : c < 0xC2 ? 4
                        : c < 0xE0 ? 1
                        : c < 0xF0 ? 2
                        : c < 0xF5 ? 3
                                   : 4;
  constexpr long kMin[] = {0, 0x80, 0x800, 0x10000};
  long cp = n == 0 ? c : c & (0x3F >> n);
  bool juste = n < 4 && i + n < s.size();
  for (std::size_t k = 1; juste && k <= n; ++k) {
    const auto suite = static_cast<unsigned char>(s[i + k]);
    juste = (suite & 0xC0) == 0x80;
    cp = (cp << 6) | (suite & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
  juste = juste && cp >= kMin[n < 4 ? n : 0] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
  i += juste ? n + 1 : 1;
  return juste ? cp : -1;
}

// Bytes of one line that share a style, from `debut` to the next run.
struct Morceau {
  std::size_t debut;
  int style;
};

}  // namespace

struct SortiePdf::Dessin {
  std::string nom;
  ReglagesPdf r;
  Format p;
  bool png = false;
  std::FILE* f = nullptr;
  std::unique_ptr<char[]> tampon;
  int erreur = 0;                       // errno of the first write that failed
  bool police_demandee = false;         // a [pdf] police key named the font
  std::optional<std::string> remarque;  // the font drawn is not the one named
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  PangoFontMap* polices_du_systeme = nullptr;
  PangoContext* contexte = nullptr;
  PangoFontDescription* polices[4] = {};  // by kGras | kItalique
  PangoAttrList* sans_attributs = nullptr;
  PangoGlyphString* formes = nullptr;
  double souligne_y = 0, souligne_h = 0;  // below the baseline, in points

  // The printer's state.
  enum { kTexte, kEsc, kParametre, kSoulignement } attente = kTexte;
  int style = 0;
  std::string octets;  // the text bytes of the line under way
  std::vector<Morceau> morceaux;
  int ligne = 0;              // of the page, from 0
  bool page_ouverte = false;  // something printed on the current page
  int vides = 0;              // pages ended blank, not yet sent
  int pages = 0;              // pages sent
  bool fini = false;          // the PNG is written: nothing more is drawn

  // What the text of a line becomes: valid UTF-8 and, for each of its bytes,
  // the print column of the character it belongs to.
  std::string texte;
  std::vector<int> colonnes;
  std::vector<cairo_glyph_t> glyphes;

  // The boxes of the codes drawn on the page, in cells: no text there.
  struct Case {
    int colonne, ligne, fin_colonne, fin_ligne;  // the ends excluded
  };
  std::vector<Case> cases;
  Encodeur encodeur;

  bool masque(int colonne) const {
    for (const Case& c : cases) {
      if (ligne >= c.ligne && ligne < c.fin_ligne && colonne >= c.colonne &&
          colonne < c.fin_colonne)
        return true;
    }
    return false;
  }

  ~Dessin() {
    if (formes != nullptr) pango_glyph_string_free(formes);
    if (sans_attributs != nullptr) pango_attr_list_unref(sans_attributs);
    for (auto* d : polices) {
      if (d != nullptr) pango_font_description_free(d);
    }
    if (contexte != nullptr) g_object_unref(contexte);
    if (polices_du_systeme != nullptr) g_object_unref(polices_du_systeme);
    if (cr != nullptr) cairo_destroy(cr);
    // Destroying the PDF surface finishes it into the file: the file goes last.
    if (surface != nullptr) cairo_surface_destroy(surface);
    if (f != nullptr) std::fclose(f);
  }

  static cairo_status_t ecrit_flux(void* d, const unsigned char* data, unsigned int n) {
    auto* self = static_cast<Dessin*>(d);
    if (self->erreur != 0) return CAIRO_STATUS_WRITE_ERROR;
    if (std::fwrite(data, 1, n, self->f) != n) {
      self->erreur = errno != 0 ? errno : EIO;
      return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
  }

  bool arrete() const { return fini || erreur != 0; }
  double x(double colonne) const { return (r.gauche + colonne * r.colonne_mm()) * kPointsParMm; }
  double y(double l) const { return (r.haut + l * r.ligne_mm()) * kPointsParMm; }

  std::optional<std::string> prepare() {
    const double l = r.largeur * kPointsParMm;
    const double h = r.hauteur * kPointsParMm;
    if (png) {
      surface =
          cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(l * kPointsPng + 0.5),
                                     static_cast<int>(h * kPointsPng + 0.5));
    } else {
      surface = cairo_pdf_surface_create_for_stream(&ecrit_flux, this, l, h);
      cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "vign");
    }
    cr = cairo_create(surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) return cairo_status_to_string(cairo_status(cr));
    if (png) cairo_scale(cr, kPointsPng, kPointsPng);
    // A font map of our own, not pango's shared one, so that everything the
    // font lookup holds is let go with the sink.
    polices_du_systeme = pango_cairo_font_map_new();
    contexte = pango_font_map_create_context(polices_du_systeme);
    pango_cairo_update_context(cr, contexte);
    // Glyphs go where the grid says: no hinting may move them.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(contexte, options);
    cairo_font_options_destroy(options);
    for (int s = 0; s < 4; ++s) {
      polices[s] = pango_font_description_new();
      pango_font_description_set_family(polices[s], r.police.c_str());
      pango_font_description_set_absolute_size(polices[s], r.taille * PANGO_SCALE);
      if ((s & kGras) != 0) pango_font_description_set_weight(polices[s], PANGO_WEIGHT_BOLD);
      if ((s & kItalique) != 0) pango_font_description_set_style(polices[s], PANGO_STYLE_ITALIC);
    }
    if (PangoFont* police = pango_context_load_font(contexte, polices[0])) {
      // fontconfig always finds a font: one asked for by name and not found
      // is replaced, often by a proportional one, and the user must know.
      PangoFontDescription* vue = pango_font_describe(police);
      const char* famille = pango_font_description_get_family(vue);
      if (police_demandee && famille != nullptr &&
          g_ascii_strcasecmp(famille, r.police.c_str()) != 0) {
        remarque = "Police " + cite(r.police) + " introuvable : " + cite(famille) + " utilisee";
      }
      pango_font_description_free(vue);
      PangoFontMetrics* m = pango_font_get_metrics(police, nullptr);
      souligne_y = -pango_font_metrics_get_underline_position(m) / double{PANGO_SCALE};
      souligne_h = pango_font_metrics_get_underline_thickness(m) / double{PANGO_SCALE};
      pango_font_metrics_unref(m);
      g_object_unref(police);
    }
    if (souligne_h <= 0) souligne_h = r.taille / 16, souligne_y = r.taille / 8;
    sans_attributs = pango_attr_list_new();
    formes = pango_glyph_string_new();
    if (png) {
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_paint(cr);
    }
    return std::nullopt;
  }

  void contours() {
    if (!(png || r.contours) || p.maxcareti <= 0 || p.maxligeti <= 0) return;
    const int pas = lignes_par_rangee(p) + std::max(0, p.maxintetiver);
    int rangees = p.maxetipag;
    // With no rows per page, the page holds what fits on the sheet.
    if (rangees <= 0) rangees = static_cast<int>((r.hauteur - r.haut) / (pas * r.ligne_mm()));
    rangees = std::clamp(rangees, 0, 1000);
    for (int rg = 0; rg < rangees; ++rg) {
      for (int e = 0; e < p.etilar && e < static_cast<int>(Ligne::capacite); ++e) {
        const double c = p.marge + static_cast<double>(e) * (p.maxcareti + p.maxintetihor);
        cairo_rectangle(cr, x(c), y(rg * pas), x(c + p.maxcareti) - x(c),
                        y(rg * pas + p.maxligeti) - y(rg * pas));
      }
    }
    cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
  }

  void envoie_page() {
    if (png) {
      cairo_surface_flush(surface);
      cairo_surface_write_to_png_stream(surface, &ecrit_flux, this);
      fini = true;
    } else {
      cairo_show_page(cr);
    }
    ++pages;
  }

  // The first thing printed on a page: the blank pages before it are sent,
  // and its outlines drawn.
  void ouvre_page() {
    for (; vides > 0 && !arrete(); --vides) {
      contours();
      envoie_page();
    }
    vides = 0;
    if (!arrete()) contours();
    page_ouverte = true;
  }

  // Makes texte and colonnes from bytes [debut, fin) of the line, from
  // column `colonne` on; returns the column after them.
  int nettoie(std::size_t debut, std::size_t fin, int colonne) {
    texte.clear();
    colonnes.clear();
    const std::string_view s = std::string_view(octets).substr(0, fin);
    int base = colonne;  // where the last spacing character began
    for (std::size_t i = debut; i < fin;) {
      const std::size_t avant = i;
      const long cp = decode(s, i);
      if (cp >= 0x80 && cp < 0xA0) continue;  // C1 controls, like C0 ones
      int largeur = 1;
      if (cp < 0) {
        texte.append(kRemplacement);
      } else {
        texte.append(s.substr(avant, i - avant));
        const auto u = static_cast<gunichar>(cp);
        largeur = g_unichar_iszerowidth(u) ? 0 : g_unichar_iswide(u) ? 2 : 1;
      }
      if (largeur > 0) base = colonne;
      colonnes.resize(texte.size(), base);
      colonne += largeur;
    }
    return colonne;
  }

  void dessine_texte(int style_morceau, double ligne_de_base) {
    if (texte.find_first_not_of(' ') == std::string::npos) return;
    pango_context_set_font_description(contexte, polices[style_morceau & (kGras | kItalique)]);
    GList* items = pango_itemize(contexte, texte.c_str(), 0, static_cast<int>(texte.size()),
                                 sans_attributs, nullptr);
    const double droite = r.largeur * kPointsParMm;
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (GList* i = items; i != nullptr; i = i->next) {
      auto* item = static_cast<PangoItem*>(i->data);
      pango_shape(texte.c_str() + item->offset, item->length, &item->analysis, formes);
      glyphes.clear();
      int dans_grappe = 0;  // advance of the glyphs before this one in its cluster
      for (int g = 0; g < formes->num_glyphs; ++g) {
        const PangoGlyphInfo& info = formes->glyphs[g];
        const int grappe = formes->log_clusters[g];
        if (g == 0 || grappe != formes->log_clusters[g - 1]) dans_grappe = 0;
        const auto octet = static_cast<std::size_t>(item->offset + grappe);
        const double gx =
            x(colonnes[octet]) + (dans_grappe + info.geometry.x_offset) / double{PANGO_SCALE};
        dans_grappe += info.geometry.width;
        if (info.glyph == PANGO_GLYPH_EMPTY || (info.glyph & PANGO_GLYPH_UNKNOWN_FLAG) != 0 ||
            texte[octet] == ' ' || gx > droite || masque(colonnes[octet])) {
          continue;
        }
        glyphes.push_back(
            {info.glyph, gx, ligne_de_base + info.geometry.y_offset / double{PANGO_SCALE}});
      }
      if (!glyphes.empty()) {
        cairo_set_scaled_font(
            cr, pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(item->analysis.font)));
        cairo_show_glyphs(cr, glyphes.data(), static_cast<int>(glyphes.size()));
      }
    }
    g_list_free_full(items, reinterpret_cast<GDestroyNotify>(pango_item_free));
  }

  void dessine_ligne() {
    if (!page_ouverte) ouvre_page();
    // Lines below the sheet's edge are lost, as off a printer's platen.
    if (arrete() || y(ligne) >= r.hauteur * kPointsParMm) return;
    const double ligne_de_base = y(ligne + 0.8);
    int colonne = 0;
    for (std::size_t m = 0; m < morceaux.size(); ++m) {
      const std::size_t fin = m + 1 < morceaux.size() ? morceaux[m + 1].debut : octets.size();
      const int debut = colonne;
      colonne = nettoie(morceaux[m].debut, fin, colonne);
      dessine_texte(morceaux[m].style, ligne_de_base);
      if ((morceaux[m].style & kSouligne) != 0 && colonne > debut) {
        cairo_rectangle(cr, x(debut), ligne_de_base + souligne_y, x(colonne) - x(debut),
                        souligne_h);
        cairo_fill(cr);
      }
    }
  }

  void fin_de_ligne() {
    if (!octets.empty()) dessine_ligne();
    octets.clear();
    morceaux.clear();
  }

  void octet(char c) {
    const auto u = static_cast<unsigned char>(c);
    switch (attente) {
      case kEsc:
        attente = kTexte;
        if (c == 'E') style |= kGras;
        if (c == 'F') style &= ~kGras;
        if (c == '4') style |= kItalique;
        if (c == '5') style &= ~kItalique;
        if (c == '@') style = 0;
        if (c == '-') attente = kSoulignement;
        if (c != '\0' && kAvecParametre.find(c) != std::string_view::npos) attente = kParametre;
        return;
      case kSoulignement:
        attente = kTexte;
        if (c == '1' || c == '\1') style |= kSouligne;
        if (c == '0' || c == '\0') style &= ~kSouligne;
        return;
      case kParametre:
        attente = kTexte;
        return;
      case kTexte:
        break;
    }
    if (c == '\x1B') {
      attente = kEsc;
    } else if (c == '\n') {
      fin_de_ligne();
      ++ligne;
    } else if (u >= 32 && u != 127 && octets.size() < kLigneMax) {
      if (morceaux.empty() || morceaux.back().style != style) {
        morceaux.push_back({octets.size(), style});
      }
      octets.push_back(c);
    }
  }

  void fin_de_page() {
    fin_de_ligne();
    if (page_ouverte) {
      if (!arrete()) envoie_page();
      page_ouverte = false;
    } else {
      ++vides;
    }
    ligne = 0;
    cases.clear();
  }

  Resultat<> code(TypeCode type, std::string_view valeur, int colonne, int haut, int largeur,
                  int hauteur) {
    haut += ligne;
    // Boxes that ended above this one are done with: the list stays as short
    // as a row's codes, however many labels the page holds.
    std::erase_if(cases, [&](const Case& c) { return c.fin_ligne <= ligne; });
    cases.push_back({colonne, haut, colonne + largeur, haut + hauteur});
    if (!page_ouverte) ouvre_page();
    if (arrete() || y(haut) >= r.hauteur * kPointsParMm) return {};
    const Boite boite{x(colonne), y(haut), x(colonne + largeur) - x(colonne),
                      y(haut + hauteur) - y(haut)};
    return dessine_code(cr, encodeur, type, valeur, boite);
  }
};

bool sortie_pdf_construite() {
  return true;
}

SortiePdf::SortiePdf(std::unique_ptr<Dessin> dessin) : dessin_(std::move(dessin)) {}
SortiePdf::~SortiePdf() = default;

Resultat<std::unique_ptr<SortiePdf>> SortiePdf::ouvre(const std::string& nom,
                                                        const ReglagesPdf& reglages,
                                                        const Format& p) {
  if (auto refus = refus_planche_pdf(reglages, p)) return Erreur{*refus};
  std::FILE* f = std::fopen(nom.c_str(), "wb");
  if (f == nullptr) return echec_sortie(nom, std::strerror(errno));
  return ouvre(f, nom, reglages, p);
}

Resultat<std::unique_ptr<SortiePdf>> SortiePdf::ouvre(std::FILE* f, const std::string& nom,
                                                        const ReglagesPdf& reglages,
                                                        const Format& p) {
  auto d = std::make_unique<Dessin>();
  d->f = f;
  if (auto refus = refus_planche_pdf(reglages, p)) return Erreur{*refus};
  d->nom = nom;
  d->r = reglages;
  d->p = p;
  d->png = sortie_png_demandee(nom);
  d->police_demandee = reglages.donnees[5] && !reglages.donnees[5]->empty();  // police=
  constexpr std::size_t kTampon = 256 * 1024;
  d->tampon = std::make_unique<char[]>(kTampon);
  std::setvbuf(d->f, d->tampon.get(), _IOFBF, kTampon);
  if (auto e = d->prepare()) return echec_sortie(nom, *e);
  return std::unique_ptr<SortiePdf>(new SortiePdf(std::move(d)));
}

void SortiePdf::ecrit(std::string_view octets) {
  for (const char c : octets) dessin_->octet(c);
}

Resultat<> SortiePdf::code(TypeCode type, std::string_view valeur, int colonne, int ligne,
                           int largeur, int hauteur) {
  return dessin_->code(type, valeur, colonne, ligne, largeur, hauteur);
}

void SortiePdf::fin_de_page() {
  dessin_->fin_de_page();
}


const std::optional<std::string>& SortiePdf::remarque() const {
  return dessin_->remarque;
}

Resultat<> SortiePdf::verifie() const {
  const Dessin& d = *dessin_;
  if (d.erreur != 0) return echec_sortie(d.nom, std::strerror(d.erreur));
  if (d.cr != nullptr && cairo_status(d.cr) != CAIRO_STATUS_SUCCESS) {
    return echec_sortie(d.nom, std::strerror(EIO));
  }
  return {};
}

Resultat<> SortiePdf::ferme() {
  Dessin& d = *dessin_;
  if (d.f == nullptr) return {};  // closed already
  d.fin_de_ligne();
  if (d.page_ouverte && !d.arrete()) d.envoie_page();
  // A document with nothing printed is still one sheet, not a broken file.
  if (d.pages == 0 && !d.arrete()) {
    d.contours();
    d.envoie_page();
  }
  cairo_destroy(d.cr);
  d.cr = nullptr;
  cairo_surface_finish(d.surface);
  const cairo_status_t etat = cairo_surface_status(d.surface);
  int erreur = d.erreur;
  if (std::fclose(d.f) != 0 && erreur == 0) erreur = errno != 0 ? errno : EIO;
  d.f = nullptr;
  if (erreur != 0) return echec_sortie(d.nom, std::strerror(erreur));
  if (etat != CAIRO_STATUS_SUCCESS) return echec_sortie(d.nom, cairo_status_to_string(etat));
  return {};
}

}  // namespace vign

// fontconfig loses a little of its configuration as it first reads it, a leak
// that no program drawing text avoids and that fontconfig frees only on a
// teardown unsafe while cairo holds fonts. A checked build's leak detector
// looks these hooks up, and is told to let that one pass, without a word on
// standard error, where a batch run's messages go.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
