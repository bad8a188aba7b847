// The files menu: where the labels come from (an input file, or the screen)
// and where the print file goes. The screen asks for the names; its caller
// opens the files, and tells the screen when the input is not there. Every
// key that ends an entry simply moves on to the next one.
#pragma once

#include <string>

#include "tui/terminal.h"

namespace vign {

class MenuFichiers {
 public:
  // Draws the box from row 5 over the current screen.
  explicit MenuFichiers(Terminal& t);

  // The input file name typed; kEcran (screen mode) for an empty one.
  std::string entree();
  // Says in the box that the input file `nom` is not there.
  void absente(const std::string& nom);
  // The delimiter typed, for an input file read line by line.
  std::string delimiteur();
  // The print file name typed.
  std::string sortie();

 private:
  Terminal& t_;  // the screen the box is drawn on
};

}  // namespace vign
