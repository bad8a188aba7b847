// The new format form: the user defines the working format (slot 0) field by
// field, then the catalogue is rewritten and the new format can join it.
#pragma once

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

// Draws the form from row 6 over the current screen and reads its eleven
// fields into slot 0; Up goes back a field, an empty entry keeps the value.
// Then, unless the catalogue already holds 18 formats, rewrites "./formats.txt"
// from slots 1 to MAXFORMAT and, if the user answers O, adds slot 0 as its last
// line; st.pformat is then a fresh read handle on it (none if it cannot be
// opened), which the caller closes.
//
// Returns 0: slot 0 holds the new format. F11 abandons the form instead and
// returns -1, with slot 0 as it was on entry and the catalogue untouched.
int wn_format_crea(Etat& st, Terminal& t);

}  // namespace vign
