// The files menu: where the labels come from (an input file, or the screen)
// and where the print file goes.
#pragma once

#include <optional>
#include <string>

#include "core/etat.h"
#include "core/resultat.h"
#include "tui/terminal.h"

namespace vign {

// Draws the box from row 5 over the current screen and asks, in turn:
// - the input file name; an empty name or "ECRAN" chooses screen mode;
//   otherwise the file is opened as st.pinput (the one opened by an earlier
//   visit is closed first), or "Pas de fichier..." says it is not there;
// - the delimiter, only for an input file read line by line: when pathname
//   names a readable fixed-layout file the records have fixed widths instead;
// - the output file name, in every case.
// Every key that ends an entry simply moves on to the next one.
// Fails, at once, when the fixed-layout file holds a width no field can take.
Resultat<> mn_fichiers(Etat& st, Terminal& t, const std::optional<std::string>& pathname);

}  // namespace vign
