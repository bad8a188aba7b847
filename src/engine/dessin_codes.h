// A code drawn on a cairo page: the symbol's dark modules as filled
// rectangles in black, so that a PDF keeps them sharp at any zoom and a
// printer lays them at its own resolution.
#pragma once

#include "core/resultat.h"
#include "engine/codes.h"

typedef struct _cairo cairo_t;

namespace vign {

// How a 2D symbol's outline reaches the page: traced on the page itself, or
// as a form of its own in whole modules, laid on the page scaled. A PDF
// writes and compresses a form's small numbers faster, but keeps a little of
// each form until the document ends. A linear code is always traced.
enum class Trace { page, forme };

// Draws `s` fitted into `boite` (in the context's user units, points on the
// print file's pages); draws nothing and says why when the symbol is too
// long for the box or cairo is in error. The context's source and fill rule
// are left as they were found; its current path is cleared.
Resultat<> dessine_symbole(cairo_t* cr, const Symbole& s, const Boite& boite,
                           Trace trace = Trace::page);

}  // namespace vign
