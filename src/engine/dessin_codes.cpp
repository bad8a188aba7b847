#include "engine/dessin_codes.h"

#include <cairo.h>

namespace vign {

Resultat<> dessine_symbole(cairo_t* cr, const Symbole& s, const Boite& boite) {
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
    return Erreur{cairo_status_to_string(cairo_status(cr))};
  const auto p = place_symbole(s, boite);
  if (!p) return p.erreur();
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  for (const Boite& r : s.rectangles)
    cairo_rectangle(cr, p->x + r.x * p->echelle_x, p->y + r.y * p->echelle_y,
                    r.largeur * p->echelle_x, r.hauteur * p->echelle_y);
  // One fill for the whole symbol: adjacent modules meet without the hairline
  // seams that separate fills leave when anti-aliased.
  cairo_fill(cr);
  cairo_restore(cr);
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS)
    return Erreur{cairo_status_to_string(cairo_status(cr))};
  return {};
}

Resultat<> dessine_code(cairo_t* cr, Encodeur& encodeur, TypeCode type, std::string_view valeur,
                        const Boite& boite) {
  const auto s = encodeur.encode(type, valeur);
  if (!s) return s.erreur();
  return dessine_symbole(cr, *s, boite);
}

}  // namespace vign
