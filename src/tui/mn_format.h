// The format menu: the catalogue's formats listed under a row that offers to
// create a new one, with a ">" the user moves to a format.
#pragma once

#include <vector>

#include "core/etat.h"
#include "tui/issue.h"
#include "tui/terminal.h"

namespace vign {

inline constexpr int kChoixPlanches = -2;  // mn_format: a sheet of the trade is wanted

// Lists the catalogue the caller read into slots 1 to MAXFORMAT, names slot 0
// "Creation d'un nouveau format", draws the list from row 4 over the current
// screen and lets the user choose. Gives the slot chosen with Enter (0 for
// the creation row), or kChoixPlanches when the user asks for a sheet of the
// trade (P); none when the user leaves with F11. G on a format opens the
// screen of its PDF geometry, then chooses it. The catalogue's lines short of
// a ';' (`erreurs`, as the reading found them) are reported where the cursor
// stands, before the list is drawn.
Issue mn_format(Etat& st, Terminal& t, const std::vector<int>& erreurs);

}  // namespace vign
