// The chooser of the sheets of the trade: a filter line that narrows the list
// as one types, the sheets it keeps, and Enter to take one as a new format.
#pragma once

#include <filesystem>
#include <vector>

#include "core/etat.h"
#include "formats/planches.h"
#include "tui/issue.h"
#include "tui/terminal.h"

namespace vign {

// Clears the screen and lists the sheets of `sources` (rows 4 to 20), under
// the filter typed on row 2; Up and Down move the mark. Enter derives the
// marked sheet into slot 0, its reference as the format's sheet, and opens
// the new format form on it for review (the catalogue may gain it there).
// A sheet the derivation refuses, an empty base or none to read says why on
// rows 21 and 22 and the user stays (or, without a base, leaves with the next key).
// Done when slot 0 holds the new format; none when the user leaves with F11
// (slot 0 then as it was).
Issue choix_planche(Etat& st, Terminal& t, const std::vector<std::filesystem::path>& sources);

// The same, on the sources the program reads (./planches.xml first).
Issue choix_planche(Etat& st, Terminal& t);

}  // namespace vign
