// The batch run: labels printed from a settings file, with no screen.
#pragma once

#include <string>
#include <string_view>

#include "core/etat.h"

namespace vign {

// Fills the state from the settings file st.inifile (the format into slot 0,
// the file names, the delimiter or the fixed layout of -f, the label lines),
// opens the input, runs the engine once. Returns the exit status of the
// program: 0 when the labels were printed; failures are one line on standard
// error and status 1 (some come as Arret).
int traitement_batch(Etat& st);

// The value of a key that a batch run cannot do without. Throws Arret
// (status 1) with a line naming the section and the key when st.inifile lacks
// it, and when the file does not open.
std::string valeur_requise(Etat& st, std::string_view section, std::string_view cle);

}  // namespace vign
