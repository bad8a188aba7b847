// What the optional settings of a run ask of the engine: where the first
// label goes on the first sheet, how many copies of each label, whether the
// records are read as spreadsheets write them and whether their first one
// names the fields. Every value is checked before the print file is created.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/etat.h"
#include "core/resultat.h"
#include "engine/composition.h"

namespace vign {

// The most copies of a label, given or read from a quantity column: as many
// labels as the count prompt of the screen takes.
inline constexpr int kCopiesMax = 99999;

struct OptionsExecution {
  int debut = 1;            // position of the first label on page 1, counted across then down
  int copies = 1;           // copies of each label, when no quantity column is named
  std::string colonne;      // the quantity column of "#K" (a number, or a header name), or empty
  bool guillemets = false;  // records read as CSV
  bool entete = false;      // the first record names the fields and is not printed
};

// Reads st.options for format `p`. debut is 1 up to the positions of one
// page (labels across times rows per page; with no positive number of rows,
// 999 rows, the most a format holds); copies is 0 to kCopiesMax or "#K";
// guillemets and entete are "oui" or "non", in any case. A value outside
// these is refused with a line naming its key and what it may be.
Resultat<OptionsExecution> lire_options_execution(const Options& o, const Format& p);

// A count as a quantity cell holds it: digits only once the blanks around
// them (spaces, tabs, carriage returns) are trimmed, at most kCopiesMax;
// nothing otherwise.
std::optional<int> quantite(std::string_view texte);

}  // namespace vign
