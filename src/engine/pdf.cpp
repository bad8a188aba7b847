#include "engine/pdf.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "core/resultat.h"
#include "core/colonnes.h"
#include "engine/dessin_codes.h"
#include "engine/encodeur.h"

namespace vign {

namespace {

constexpr double kPointsParMm = 72.0 / 25.4;
constexpr double kPointsPng = 150.0 / 72.0;  // pixels per point of the PNG picture
// The 2D codes a PDF draws as forms of their own (see Trace). cairo keeps
// about 190 bytes of each form until the document ends; the codes after
// these are traced on the page, a little slower, so that a run's memory stays
// bounded however many codes it prints.
constexpr int kFormesParDocument = 16384;
constexpr std::size_t kLigneMax = 4096;
constexpr int kGras = 1, kItalique = 2, kSouligne = 4;
// The ESC/P commands that take one parameter byte after them.
constexpr std::string_view kAvecParametre = "3AJjQlCN!xkpWSURtwra+s";
constexpr char kRemplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Bytes of one line that share a style, from `debut` to the next run.
struct Morceau {
  std::size_t debut;
  int style;
};

// What the engine asked of a page, in its order: bytes of the print file, a
// code's box (with its symbol, or none when the value makes none and the box
// is only kept clear), the end of the page.
struct Evenement {
  enum class Sorte { octets, code, page } sorte;
  std::string octets{};
  std::optional<Symbole> symbole{};
  int colonne = 0, ligne = 0, largeur = 0, hauteur = 0;
};
using Lot = std::vector<Evenement>;

}  // namespace

struct SortiePdf::Dessin {
  std::string nom;
  ReglagesPdf r;
  Format p;
  bool png = false;
  std::FILE* f = nullptr;
  std::unique_ptr<char[]> tampon;
  std::atomic<int> erreur = 0;          // errno of the first write that failed
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
  int formes_restantes = kFormesParDocument;

  bool masque(int colonne) const {
    for (const Case& c : cases) {
      if (ligne >= c.ligne && ligne < c.fin_ligne && colonne >= c.colonne &&
          colonne < c.fin_colonne)
        return true;
    }
    return false;
  }

  ~Dessin() {
    fil.reset();  // the pages handed are laid out before anything goes
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
  // column `colonne` on; returns the column after them. Columns are the
  // composition's (core/colonnes.h), so that each character sits where the
  // text print file has it: a byte that is no UTF-8 is U+FFFD in its one
  // column, and a C1 control is a blank in its one column.
  int nettoie(std::size_t debut, std::size_t fin, int colonne) {
    texte.clear();
    colonnes.clear();
    const std::string_view s = std::string_view(octets).substr(0, fin);
    int base = colonne;  // where the last spacing character began
    for (std::size_t i = debut; i < fin;) {
      char32_t cp = 0;
      const std::size_t n = lit_utf8(s.substr(i), cp);
      int largeur = 1;
      if (n == 0) {
        texte.append(kRemplacement);
      } else if (cp >= 0x80 && cp < 0xA0) {
        texte.push_back(' ');
      } else {
        texte.append(s.substr(i, n));
        largeur = static_cast<int>(largeur_point(cp));
      }
      i += n == 0 ? 1 : n;
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

  // The box of a code, in cells from the line under way: its text is
  // masked, and its symbol, when it has one, drawn.
  void dessine_case(const Evenement& e) {
    const int haut = e.ligne + ligne;
    // Boxes that ended above this one are done with: the list stays as short
    // as a row's codes, however many labels the page holds.
    std::erase_if(cases, [&](const Case& c) { return c.fin_ligne <= ligne; });
    cases.push_back({e.colonne, haut, e.colonne + e.largeur, haut + e.hauteur});
    if (!page_ouverte) ouvre_page();
    if (!e.symbole || arrete() || y(haut) >= r.hauteur * kPointsParMm) return;
    const Boite boite{x(e.colonne), y(haut), x(e.colonne + e.largeur) - x(e.colonne),
                      y(haut + e.hauteur) - y(haut)};
    Trace trace = Trace::page;
    if (!png && e.symbole->carre && formes_restantes > 0) {
      trace = Trace::forme;
      --formes_restantes;
    }
    (void)dessine_symbole(cr, *e.symbole, boite, trace);  // cairo's own failure shows in its status
  }

  // Lays out what the engine asked of a page.
  void rejoue(const Lot& page) {
    for (const Evenement& e : page) {
      switch (e.sorte) {
        case Evenement::Sorte::octets:
          for (const char c : e.octets) octet(c);
          break;
        case Evenement::Sorte::code:
          dessine_case(e);
          break;
        case Evenement::Sorte::page:
          fin_de_page();
          break;
      }
    }
    en_erreur = erreur != 0 || (cr != nullptr && cairo_status(cr) != CAIRO_STATUS_SUCCESS);
  }

  // The page under way, as the engine gives it, and about how many bytes it
  // holds. A page's work goes to the drawing a piece at a time once it holds
  // kLotMax: a sheet with no page length ends its only page with the run.
  Lot lot;
  std::size_t taille_lot = 0;
  static constexpr std::size_t kLotMax = 64 * 1024;
  // Set by the drawing once a write or cairo has failed.
  std::atomic<bool> en_erreur = false;

  // The pages laid out and written by a thread of their own, while the
  // engine composes the next ones and encodes their codes: on a PDF of
  // codes the drawing is most of the work. At most two pieces wait for it,
  // so that memory stays flat however long the run.
  class Fil {
   public:
    explicit Fil(Dessin& d) : d_(d), fil_([this] { boucle(); }) {}
    ~Fil() { termine(); }
    Fil(const Fil&) = delete;
    Fil& operator=(const Fil&) = delete;

    void remet(Lot page) {
      std::unique_lock verrou(m_);
      place_.wait(verrou, [&] { return file_.size() < 2; });
      file_.push_back(std::move(page));
      pret_.notify_one();
    }

    // Every page handed is laid out when this returns.
    void termine() {
      if (!fil_.joinable()) return;
      {
        std::lock_guard verrou(m_);
        fin_ = true;
      }
      pret_.notify_one();
      fil_.join();
    }

   private:
    void boucle() {
      for (;;) {
        Lot page;
        {
          std::unique_lock verrou(m_);
          pret_.wait(verrou, [&] { return fin_ || !file_.empty(); });
          if (file_.empty()) return;
          page = std::move(file_.front());
          file_.pop_front();
        }
        place_.notify_one();
        d_.rejoue(page);
      }
    }

    Dessin& d_;
    std::mutex m_;
    std::condition_variable pret_, place_;
    std::deque<Lot> file_;
    bool fin_ = false;
    std::thread fil_;
  };
  std::unique_ptr<Fil> fil;

  void remet_lot() {
    fil->remet(std::exchange(lot, {}));
    taille_lot = 0;
  }

  void recoit(std::string_view o) {
    if (lot.empty() || lot.back().sorte != Evenement::Sorte::octets)
      lot.push_back({Evenement::Sorte::octets});
    lot.back().octets.append(o);
    taille_lot += o.size();
    if (taille_lot >= kLotMax) remet_lot();
  }

  void page_finie() {
    lot.push_back({Evenement::Sorte::page});
    remet_lot();
  }

  // The symbol is made here, on the engine's side, so that a value that
  // makes none is known at once; its drawing follows the page.
  Resultat<> code(TypeCode type, std::string_view valeur, int colonne, int haut, int largeur,
                  int hauteur) {
    Evenement e{Evenement::Sorte::code};
    e.colonne = colonne, e.ligne = haut, e.largeur = largeur, e.hauteur = hauteur;
    lot.push_back(std::move(e));  // the box is kept clear in any case
    auto s = encodeur.encode(type, valeur);
    if (!s) return s.erreur();
    const Boite taille{0, 0, x(colonne + largeur) - x(colonne), y(haut + hauteur) - y(haut)};
    if (auto place = place_symbole(*s, taille); !place) return place.erreur();
    taille_lot += sizeof(Evenement) + s->rectangles.size() * sizeof(Boite);
    lot.back().symbole = std::move(*s);
    if (taille_lot >= kLotMax) remet_lot();
    return {};
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
  if (auto tient = refus_planche_pdf(reglages, p); !tient) return tient.erreur();
  std::FILE* f = std::fopen(nom.c_str(), "wb");
  if (f == nullptr) return echec_sortie(nom, std::strerror(errno));
  return ouvre(f, nom, reglages, p);
}

Resultat<std::unique_ptr<SortiePdf>> SortiePdf::ouvre(std::FILE* f, const std::string& nom,
                                                      const ReglagesPdf& reglages,
                                                      const Format& p) {
  auto d = std::make_unique<Dessin>();
  d->f = f;
  if (auto tient = refus_planche_pdf(reglages, p); !tient) return tient.erreur();
  d->nom = nom;
  d->r = reglages;
  d->p = p;
  d->png = sortie_png_demandee(nom);
  d->police_demandee = reglages.donnees[5] && !reglages.donnees[5]->empty();  // police=
  constexpr std::size_t kTampon = 256 * 1024;
  d->tampon = std::make_unique<char[]>(kTampon);
  std::setvbuf(d->f, d->tampon.get(), _IOFBF, kTampon);
  if (auto e = d->prepare()) return echec_sortie(nom, *e);
  d->fil = std::make_unique<Dessin::Fil>(*d);
  return std::unique_ptr<SortiePdf>(new SortiePdf(std::move(d)));
}

void SortiePdf::ecrit(std::string_view octets) {
  dessin_->recoit(octets);
}

Resultat<> SortiePdf::code(TypeCode type, std::string_view valeur, int colonne, int ligne,
                           int largeur, int hauteur) {
  return dessin_->code(type, valeur, colonne, ligne, largeur, hauteur);
}

void SortiePdf::fin_de_page() {
  dessin_->page_finie();
}

const std::optional<std::string>& SortiePdf::remarque() const {
  return dessin_->remarque;
}

Resultat<> SortiePdf::verifie() const {
  // What the drawing side has found, as it sets it once each page is done.
  const Dessin& d = *dessin_;
  if (!d.en_erreur) return {};
  return echec_sortie(d.nom, std::strerror(d.erreur != 0 ? d.erreur.load() : EIO));
}

Resultat<> SortiePdf::ferme() {
  Dessin& d = *dessin_;
  if (d.f == nullptr) return {};  // closed already
  d.remet_lot();
  d.fil->termine();
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
