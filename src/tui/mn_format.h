// The format menu: the catalogue's formats listed under a row that offers to
// create a new one, with a ">" the user moves to a format.
#pragma once

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

inline constexpr int kChoixPlanches = -2;  // mn_format: a sheet of the trade is wanted

// Reads the catalogue from st.pformat (opened by the caller) into slots 1 to
// MAXFORMAT, names slot 0 "Creation d'un nouveau format", draws the list from
// row 4 over the current screen and lets the user choose. Returns the slot
// chosen with Enter (0 for the creation row), or -1 when the user leaves with
// F11, or kChoixPlanches when the user asks for a sheet of the trade (P).
// G on a format opens the screen of its PDF geometry, then chooses it.
// Lines of the catalogue short of a ';' are reported where the cursor
// stands, before the list is drawn.
int mn_format(Etat& st, Terminal& t);

}  // namespace vign
