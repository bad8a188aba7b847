// The Execution entry on screen: the engine's run told under the main menu
// box (the count prompt of screen mode, "Please wait ...", the count of
// labels printed).
#pragma once

#include <string>

#include "core/etat.h"
#include "core/resultat.h"
#include "tui/message.h"
#include "tui/terminal.h"

namespace vign {

// Runs the engine with its progress shown on screen; the failure, if any, is
// returned for the caller to show. A PDF or PNG print file of a format that
// names its sheet is drawn at that sheet's geometry: the [pdf] values the user
// did not set are filled in st.options.pdf (the caller puts them back), and
// the count line names the sheet.
Resultat<int> execution_ecran(Etat& st, Terminal& t);

}  // namespace vign
