#include "engine/dessin_codes.h"

#include <cairo.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace vign {

namespace {

// The dark modules of a 2D symbol on its grid of whole modules, or nothing
// when a rectangle does not sit on it.
struct Grille {
  int largeur = 0, hauteur = 0;
  std::vector<std::uint8_t> noir;
  bool en(int x, int y) const {
    return x >= 0 && y >= 0 && x < largeur && y < hauteur &&
           noir[static_cast<std::size_t>(y * largeur + x)] != 0;
  }
};

std::optional<Grille> grille(const Symbole& s) {
  const auto entier = [](double v, int& n) {
    n = static_cast<int>(std::lround(v));
    return std::fabs(v - n) < 1e-6;
  };
  Grille g;
  if (!entier(s.largeur, g.largeur) || !entier(s.hauteur, g.hauteur) || g.largeur > 4096 ||
      g.hauteur > 4096)
    return std::nullopt;
  g.noir.assign(static_cast<std::size_t>(g.largeur) * static_cast<std::size_t>(g.hauteur), 0);
  for (const Boite& r : s.rectangles) {
    int x = 0, y = 0, l = 0, h = 0;
    if (!entier(r.x, x) || !entier(r.y, y) || !entier(r.largeur, l) || !entier(r.hauteur, h) ||
        x < 0 || y < 0 || l < 0 || h < 0 || x + l > g.largeur || y + h > g.hauteur)
      return std::nullopt;
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + l; ++i) g.noir[static_cast<std::size_t>(j * g.largeur + i)] = 1;
  }
  return g;
}

// The outline of the dark modules: every edge between a dark module and a
// light one, turning clockwise around the dark (y grows downwards), chained
// into closed paths with a point only where the outline turns. A page of
// codes is mostly numbers, and the outline of a 2D code has about half the
// corners of its modules' rectangles; with the nonzero rule the holes (turning
// the other way) stay light however the edges are chained.
void trace_contour(cairo_t* cr, const Grille& g) {
  const int w = g.largeur + 1;  // vertices per row
  // Up to two edges leave a vertex (where two dark modules touch by a
  // corner); each is its direction: 0 right, 1 down, 2 left, 3 up.
  std::vector<std::array<std::int8_t, 2>> sorties(
      static_cast<std::size_t>(w) * static_cast<std::size_t>(g.hauteur + 1), {-1, -1});
  const auto ajoute = [&](int x, int y, std::int8_t d) {
    auto& s = sorties[static_cast<std::size_t>(y * w + x)];
    s[s[0] < 0 ? 0 : 1] = d;
  };
  for (int y = 0; y < g.hauteur; ++y)
    for (int x = 0; x < g.largeur; ++x) {
      if (!g.en(x, y)) continue;
      if (!g.en(x, y - 1)) ajoute(x, y, 0);
      if (!g.en(x + 1, y)) ajoute(x + 1, y, 1);
      if (!g.en(x, y + 1)) ajoute(x + 1, y + 1, 2);
      if (!g.en(x - 1, y)) ajoute(x, y + 1, 3);
    }
  constexpr int dx[] = {1, 0, -1, 0}, dy[] = {0, 1, 0, -1};
  const auto point = [&](int x, int y, bool premier) {
    premier ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
  };
  for (int y0 = 0; y0 <= g.hauteur; ++y0)
    for (int x0 = 0; x0 < w; ++x0) {
      // In- and out-edges balance at every vertex: a walk from a vertex only
      // stops back there.
      while (sorties[static_cast<std::size_t>(y0 * w + x0)][0] >= 0) {
        int x = x0, y = y0, avant = -1;
        point(x, y, true);
        do {
          auto& s = sorties[static_cast<std::size_t>(y * w + x)];
          const int k = s[1] >= 0 ? 1 : 0;
          const int d = s[static_cast<std::size_t>(k)];
          s[static_cast<std::size_t>(k)] = -1;
          if (avant >= 0 && d != avant) point(x, y, false);
          x += dx[d];
          y += dy[d];
          avant = d;
        } while (x != x0 || y != y0);
        cairo_close_path(cr);
      }
    }
}

}  // namespace

Resultat<> dessine_symbole(cairo_t* cr, const Symbole& s, const Boite& boite, Trace trace) {
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
    return Erreur{cairo_status_to_string(cairo_status(cr))};
  const auto p = place_symbole(s, boite);
  if (!p) return p.erreur();
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  const auto g = s.carre ? grille(s) : std::nullopt;
  if (g && trace == Trace::page) {
    cairo_translate(cr, p->x, p->y);
    cairo_scale(cr, p->echelle_x, p->echelle_y);
    trace_contour(cr, *g);
  } else if (g) {
    // The outline in whole modules on a surface of its own, laid on the page
    // scaled: a PDF keeps the symbol as a form of its own whose numbers are
    // small integers, faster to write and to compress than page points.
    const cairo_rectangle_t etendue{0, 0, static_cast<double>(g->largeur),
                                    static_cast<double>(g->hauteur)};
    cairo_surface_t* forme = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &etendue);
    cairo_t* fc = cairo_create(forme);
    cairo_set_source_rgb(fc, 0, 0, 0);
    cairo_set_fill_rule(fc, CAIRO_FILL_RULE_WINDING);
    trace_contour(fc, *g);
    cairo_fill(fc);
    cairo_destroy(fc);
    cairo_translate(cr, p->x, p->y);
    cairo_scale(cr, p->echelle_x, p->echelle_y);
    cairo_set_source_surface(cr, forme, 0, 0);
    cairo_surface_destroy(forme);
    cairo_rectangle(cr, 0, 0, etendue.width, etendue.height);
  } else {
    for (const Boite& r : s.rectangles)
      cairo_rectangle(cr, p->x + r.x * p->echelle_x, p->y + r.y * p->echelle_y,
                      r.largeur * p->echelle_x, r.hauteur * p->echelle_y);
  }
  // One fill for the whole symbol: adjacent modules meet without the hairline
  // seams that separate fills leave when anti-aliased.
  cairo_fill(cr);
  cairo_restore(cr);
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
    return Erreur{cairo_status_to_string(cairo_status(cr))};
  return {};
}

}  // namespace vign
