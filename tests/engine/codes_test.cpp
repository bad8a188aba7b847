#include "engine/codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>

#include "engine/encodeur.h"
#include "support/programme.h"
#ifdef VIGN_AVEC_CAIRO
#include <cairo.h>

#include "engine/dessin_codes.h"
#endif

namespace vign {
namespace {

TEST(Codes, ReadsASetting) {
  const struct {
    const char* valeur;
    Code code;
  } cas[] = {
      {"qr 3 20 0 10 5", {TypeCode::qr, 3, "", 20, 0, 10, 5}},
      {"  ean13\t29 0 4 30 2 ", {TypeCode::ean13, 29, "", 0, 4, 30, 2}},
      {"datamatrix Code  postal 1 2 3 4", {TypeCode::datamatrix, 0, "Code  postal", 1, 2, 3, 4}},
  };
  for (const auto& c : cas) {
    const auto r = lit_code("code4", c.valeur);
    ASSERT_TRUE(r) << r.erreur().message;
    EXPECT_EQ(std::tie(r->type, r->champ, r->entete, r->colonne, r->ligne, r->largeur, r->hauteur),
              std::tie(c.code.type, c.code.champ, c.code.entete, c.code.colonne, c.code.ligne,
                       c.code.largeur, c.code.hauteur))
        << c.valeur;
  }
}

TEST(Codes, RefusesASettingNamingTheKey) {
  const std::string types = "connus : qr, datamatrix, aztec, code128, code39, ean13, ean8, upca";
  const struct {
    const char* valeur;
    std::string refus;
  } cas[] = {
      {"qrr 3 0 0 1 1", "type inconnu \"qrr\", " + types},
      {"QR 3 0 0 1 1", "type inconnu \"QR\", " + types},
      {"qr 30 0 0 1 1", "champ 30 hors de 1 a 29"},
      {"qr 0 0 0 1 1", "champ 0 hors de 1 a 29"},
      {"qr 3x 0 0 1 1", "champ \"3x\" n'est pas un nombre"},
      {"qr -1 0 0 1 1", "champ \"-1\" n'est pas un nombre"},
      {"qr 3 -1 0 1 1", "colonne \"-1\" n'est pas un nombre"},
      {"qr 3 0 0 1,5 1", "largeur \"1,5\" n'est pas un nombre"},
      {"qr 3 0 0 4 0", "hauteur nulle"},
      {"qr 3 0 0 99999999999 1", "largeur \"99999999999\" n'est pas un nombre"},
      {"qr 3 0 0 1", "attendu : TYPE CHAMP COLONNE LIGNE LARGEUR HAUTEUR"},
  };
  for (const auto& c : cas) {
    const auto r = lit_code("code4", c.valeur);
    ASSERT_FALSE(r) << c.valeur;
    EXPECT_EQ(r.erreur().message,
              std::string("Valeur invalide : [codes] code4=") + c.valeur + " (" + c.refus + ")");
  }
}

TEST(Codes, RefusesABoxOutsideTheLabel) {
  struct Cas {
    Code code;
    bool dedans;
  } cas[] = {
      {{TypeCode::qr, 1, "", 0, 0, 30, 8}, true},  // the whole label
      {{TypeCode::qr, 1, "", 20, 3, 10, 5}, true},
      {{TypeCode::qr, 1, "", 21, 3, 10, 5}, false},
      {{TypeCode::qr, 1, "", 20, 4, 10, 5}, false},
      {{TypeCode::qr, 1, "", 30, 0, 1, 1}, false},
      {{TypeCode::qr, 1, "", 2, 2, 2147483647, 1}, false},
      {{TypeCode::qr, 1, "", 2147483647, 0, 2147483647, 1}, false},
  };
  for (const Cas& c : cas) EXPECT_EQ(bool(verifie_code("code2", c.code, 30, 8)), c.dedans);
  EXPECT_FALSE(verifie_code("code2", cas[0].code, -2147483647 - 1, 8));
  EXPECT_EQ(verifie_code("code2", cas[2].code, 30, 8).erreur().message,
            "Valeur invalide : [codes] code2 (la case de 10 x 5 en colonne 21, ligne 3 sort de "
            "l'etiquette de 30 x 8)");
}

TEST(Codes, ValuesASymbologyCannotHoldDrawNothing) {
  if (!codes_construits()) GTEST_SKIP() << "sans libzint";
  struct Cas {
    TypeCode type;
    std::string valeur;
  } cas[] = {
      {TypeCode::ean13, "12AB"},
      {TypeCode::ean13, "123"},
      {TypeCode::ean13, "40063813339310"},
      {TypeCode::ean13, "4006381333932"},  // check digit
      {TypeCode::ean13, "400638+13339"},
      {TypeCode::ean8, "1234"},
      {TypeCode::upca, "0360002914A"},
      {TypeCode::code39, "abc"},
      {TypeCode::code128, ""},
      {TypeCode::qr, std::string(8000, '7')},
  };
  Encodeur e;
  for (const Cas& c : cas) EXPECT_FALSE(e.encode(c.type, c.valeur)) << c.valeur.substr(0, 20);
  // Held by the symbology, but 1500 bytes take a QR code of version 33 at
  // least, 149 modules and 8 of quiet zone: 0.16 mm each in a box of 1 inch.
  const auto s = e.encode(TypeCode::qr, std::string(1500, 'x'));
  ASSERT_TRUE(s);
  EXPECT_FALSE(place_symbole(*s, {0, 0, 72, 72}));
  EXPECT_TRUE(place_symbole(*s, {0, 0, 216, 216}));
}

TEST(Codes, TheWarningNamesTheFirstFailure) {
  CompteurCodes c;
  EXPECT_FALSE(c.avertissement());
  c.echec("code1", 17, "12AB");
  EXPECT_EQ(*c.avertissement(),
            "1 code non imprimable (code1, premier : enregistrement 17 \"12AB\")");
  c.echec("code2", 20, "x");
  c.echec("code1", 31, "y");
  EXPECT_EQ(*c.avertissement(),
            "3 codes non imprimables (code1, premier : enregistrement 17 \"12AB\")");
}

TEST(Codes, TheWarningShowsAValueSafelyOnOneShortLine) {
  const std::string a40(40, 'A');
  const struct {
    std::string valeur, vu;
  } cas[] = {
      {"R\xc3\xa8gle 12", "R\xc3\xa8gle 12"},  // accents kept
      {"a\x1b[2Jb\nc\x7f", "a?[2Jb?c?"},       // C0 and DEL
      {"x\xc2\x9bm", "x?m"},                   // a C1 control in UTF-8
      {"\xff\xfeZ", "??Z"},                    // bytes that are no UTF-8
      {a40, a40},                              // as long as it may be
      {a40 + "B", a40 + "..."},                // one column more
      {std::string(39, 'A') + "\xe6\x97\xa5",  // a wide character past the end is left out
       std::string(39, 'A') + "..."},
  };
  for (const auto& c : cas) {
    CompteurCodes compteur;
    compteur.echec("code1", 3, c.valeur);
    EXPECT_EQ(*compteur.avertissement(),
              "1 code non imprimable (code1, premier : enregistrement 3 \"" + c.vu + "\")")
        << c.valeur;
  }
}

#ifdef VIGN_AVEC_CAIRO
// What a decoder reads in a PNG file, one symbol a line.
std::string decode(const std::string& commande, const std::filesystem::path& png) {
  std::string lu;
  std::FILE* f = ::popen((commande + " '" + png.string() + "' 2>/dev/null").c_str(), "r");
  if (f == nullptr) return lu;
  char tampon[512];
  while (std::fgets(tampon, sizeof tampon, f) != nullptr) lu += tampon;
  ::pclose(f);
  return lu;
}

// The dark pixels of a picture: how many, and the rectangle they span.
struct Encre {
  long n = 0;
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};
Encre encre(cairo_surface_t* s) {
  cairo_surface_flush(s);
  Encre e;
  const unsigned char* d = cairo_image_surface_get_data(s);
  for (int y = 0; y < cairo_image_surface_get_height(s); ++y)
    for (int x = 0; x < cairo_image_surface_get_width(s); ++x) {
      if (d[y * cairo_image_surface_get_stride(s) + 4 * x + 1] >= 128) continue;  // green
      e = {e.n + 1, std::min(e.x0, x), std::min(e.y0, y), std::max(e.x1, x), std::max(e.y1, y)};
    }
  return e;
}

bool present(const char* outil) {
  return std::system((std::string("command -v ") + outil + " >/dev/null").c_str()) == 0;
}

TEST(Codes, EachCodeDrawnInsideItsBoxReadsBackToItsValue) {
  if (!codes_construits()) GTEST_SKIP() << "sans libzint";
  if (!present("zbarimg") || !present("dmtxread")) GTEST_SKIP() << "sans zbarimg ou dmtxread";
  // A label of 40 columns x 12 lines at 10 columns and 6 lines an inch, its
  // first cell at (0.4 inch, 0.2 inch), drawn in points at 300 dots an inch:
  // every cell is then whole pixels, 30 x 50.
  const double colonne = 7.2, ligne = 12, x0 = 28.8, y0 = 14.4, dpp = 300 / 72.0;
  struct Cas {
    const char* reglage;
    std::string valeur;
    const char* lecteur;
  } cas[] = {
      {"qr 1 0 0 10 5", "https://exemple.fr/etiquette?n=17", "zbarimg -q --raw"},
      {"datamatrix 2 12 0 10 5", "LOT 2026-12-09 A17", "dmtxread -n"},
      {"code128 3 0 6 26 3", "VIGN-2026/17", "zbarimg -q --raw"},
      {"code39 4 0 9 26 3", "AB-1234", "zbarimg -q --raw"},
      {"ean13 5 24 0 16 4", "4006381333931", "zbarimg -q --raw"},
  };
  cairo_surface_t* page = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 2000, 1000);
  cairo_t* cr = cairo_create(page);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_scale(cr, dpp, dpp);
  Encodeur e;
  test::Dossier d;
  for (const Cas& c : cas) {
    const auto code = lit_code("code1", c.reglage);
    ASSERT_TRUE(code && verifie_code("code1", *code, 40, 12));
    const Boite b = boite_du_code(*code, x0, y0, colonne, ligne);
    // The box from the cell it starts on and the cells it takes.
    EXPECT_NEAR(b.x, x0 + code->colonne * colonne, 1e-9);
    EXPECT_NEAR(b.y + b.hauteur, y0 + (code->ligne + code->hauteur) * ligne, 1e-9);
    const auto s = e.encode(code->type, c.valeur);
    ASSERT_TRUE(s && dessine_symbole(cr, *s, b)) << c.reglage;
  }
  long dans_les_cases = 0;
  for (const Cas& c : cas) {
    // The box alone, cut out of the page: the code is read there in full.
    const Boite b = boite_du_code(*lit_code("code1", c.reglage), x0, y0, colonne, ligne);
    cairo_surface_t* seule = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, int(std::lround(b.largeur * dpp)), int(std::lround(b.hauteur * dpp)));
    cairo_t* cs = cairo_create(seule);
    cairo_set_source_surface(cs, page, -std::round(b.x * dpp), -std::round(b.y * dpp));
    cairo_paint(cs);
    const auto png = d / "case.png";
    cairo_surface_write_to_png(seule, png.c_str());
    EXPECT_EQ(decode(c.lecteur, png), c.valeur + "\n") << c.reglage;
    // Quiet zones left and right inside the box; a 2D code square, centred.
    const Encre t = encre(seule);
    const int l = cairo_image_surface_get_width(seule), h = cairo_image_surface_get_height(seule);
    dans_les_cases += t.n;
    EXPECT_TRUE(t.x0 > 2 && t.x1 < l - 3) << c.reglage;
    if (code_carre(lit_code("code1", c.reglage)->type)) {
      EXPECT_NEAR(t.x1 - t.x0, t.y1 - t.y0, 2) << c.reglage;
      EXPECT_NEAR(t.x0 + t.x1, l - 1, 3) << c.reglage;
      EXPECT_NEAR(t.y0 + t.y1, h - 1, 3) << c.reglage;
      EXPECT_GT(t.y0, 2) << c.reglage;
    }
    cairo_destroy(cs);
    cairo_surface_destroy(seule);
  }
  // Nothing drawn outside the boxes.
  EXPECT_EQ(encre(page).n, dans_les_cases);
  cairo_destroy(cr);
  cairo_surface_destroy(page);
}
TEST(Codes, A2DCodeFillsExactlyItsDarkModulesTracedOrAsAForm) {
  // Grids of modules, '#' dark: a ring and its hole, modules touching by a
  // corner only, and a pseudo-random one; each drawn both ways.
  std::string hasard;
  for (unsigned x = 12345, i = 0; i < 23 * 23; ++i) {
    x = x * 1103515245u + 12345u;
    hasard += (x >> 16) % 2 ? '#' : '.';
  }
  const struct {
    int largeur;
    std::string modules;
  } cas[] = {
      {5,
       "....."
       ".###."
       ".#.#."
       ".###."
       "....."},
      {4,
       "#..#"
       ".##."
       ".##."
       "#..#"},
      {4,
       "#.#."
       ".#.#"
       "#.#."
       ".#.#"},
      {23, hasard},
  };
  constexpr int kPixels = 4;  // a module, with no anti-aliasing
  for (const Trace trace : {Trace::page, Trace::forme})
    for (const auto& c : cas) {
      const int n = c.largeur, h = static_cast<int>(c.modules.size()) / n;
      Symbole s;
      s.largeur = n, s.hauteur = h, s.carre = true;
      for (int i = 0; i < n * h; ++i)
        if (c.modules[std::size_t(i)] == '#')
          s.rectangles.push_back({double(i % n), double(i / n), 1, 1});
      cairo_surface_t* page =
          cairo_image_surface_create(CAIRO_FORMAT_RGB24, n * kPixels, h * kPixels);
      cairo_t* cr = cairo_create(page);
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_paint(cr);
      cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
      ASSERT_TRUE(dessine_symbole(cr, s, {0, 0, double(n * kPixels), double(h * kPixels)}, trace));
      cairo_surface_flush(page);
      const unsigned char* d = cairo_image_surface_get_data(page);
      std::string vu;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < n; ++x) {
          // The centre of the module.
          const int px = x * kPixels + kPixels / 2, py = y * kPixels + kPixels / 2;
          vu += d[py * cairo_image_surface_get_stride(page) + 4 * px + 1] < 128 ? '#' : '.';
        }
      EXPECT_EQ(vu, c.modules) << (trace == Trace::forme ? "forme" : "page");
      cairo_destroy(cr);
      cairo_surface_destroy(page);
    }
}
#endif

}  // namespace
}  // namespace vign
