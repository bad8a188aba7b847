// The new format form: the user defines the working format (slot 0) field by
// field, then the new format can join the catalogue.
#pragma once

#include "core/etat.h"
#include "tui/issue.h"
#include "tui/terminal.h"

namespace vign {

// Draws the form from row 6 over the current screen and reads its eleven
// fields into slot 0; Up goes back a field, an empty entry keeps the value.
// Then, unless the catalogue already holds 18 formats or cannot be changed
// (said on row 20), asks whether to add the new format. On O, slot 0 becomes
// the last line of "./formats.txt", every line already there kept byte for
// byte. Any other answer leaves the catalogue as it was.
//
// Done: slot 0 holds the new format. F11 abandons the form instead (none),
// with slot 0 as it was on entry and the catalogue untouched.
Issue wn_format_crea(Etat& st, Terminal& t);

// The same form over a format already in slot 0 (a sheet of the trade
// derived), its values shown in the fields for review, each edited where it
// stands, and its sheet kept in the catalogue line. F11 puts `avant` back in
// slot 0 and gives none.
Issue wn_format_revue(Etat& st, Terminal& t, const Format& avant);

}  // namespace vign
