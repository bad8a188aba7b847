// The screen of a format's PDF sheet: its page, pitch, offsets, font size
// and outlines, adjusted for a printer that feeds the paper a little off,
// and kept in the format's catalogue line.
#pragma once

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

// Draws the screen from row 6 over the current one, with the geometry the
// format of `slot` prints at now (its sheet of the trade derived, or its own
// geometry; blank for the defaults), and reads the seven values, each edited
// where it stands (erased whole: back to its default); Up goes back a field. Values the PDF settings refuse are
// said on row 15 and nothing changes. Otherwise the format takes the new
// geometry as its sheet for this run and, on O, its catalogue line is
// rewritten with it (the other lines kept byte for byte). F11 abandons.
void reglage_planche(Etat& st, Terminal& t, int slot);

}  // namespace vign
