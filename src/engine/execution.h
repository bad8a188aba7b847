// The label printing engine: one call makes one complete run into the print
// file named outputfile.
#pragma once

#include <string_view>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

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
};

// A batch run: nothing shown, the count given beforehand.
class SuiviMuet : public Suivi {
 public:
  explicit SuiviMuet(int nombre = 1) : nombre_(nombre) {}
  int nombre() override { return nombre_; }

 private:
  int nombre_;
};

// Prints the labels of the selected format, files and presentation. Returns
// the number of labels printed, or why the run failed (a run refused before
// the print file is created leaves no file behind and truncates none).
Resultat<int> execution(Etat& st, Suivi& suivi);

}  // namespace vign
