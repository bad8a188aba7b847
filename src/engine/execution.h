// The label printing engine: one call makes one complete run into the print
// file named outputfile.
#pragma once

#include <string_view>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

// The input name that reads the records from standard input (a batch run
// at the end of a pipe): read once, never rewound.
inline constexpr const char* kEntreeStandard = "-";

// What a run tells its user while it goes. The screens show it under the main
// menu; a batch run keeps quiet and gives the count it read from its settings.
class Suivi {
 public:
  virtual ~Suivi() = default;
  // The number of labels of a screen-mode run, at least 1; asked once the
  // print file is open.
  virtual int nombre() = 0;
  // The labels are being printed.
  virtual void attente() {}
  // The run is over: `imprimees` labels went out.
  virtual void fin(int imprimees) { (void)imprimees; }
  // Something the user should know of a run that went through (characters
  // the printer's set lacks, replaced).
  virtual void remarque(std::string_view texte) { (void)texte; }
};

// A batch run: nothing shown, the count given beforehand.
class SuiviMuet : public Suivi {
 public:
  explicit SuiviMuet(int nombre = 1) : nombre_(nombre) {}
  int nombre() override { return nombre_; }

 private:
  int nombre_;
};

// Prints the labels of the selected format, files and presentation, as the
// optional settings of st.options ask (see options_execution.h): blank
// positions before the first label, copies, CSV records, a header row.
// Returns the number of labels printed (copies included, blank positions
// not), or why the run failed (a run refused before the print file is
// created leaves no file behind and truncates none; one that fails on a
// record leaves the earlier print file as it was).
Resultat<int> execution(Etat& st, Suivi& suivi);

}  // namespace vign
