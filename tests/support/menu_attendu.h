// The main menu as a user must see it, for tests that compare screens: the
// box of nine rows in the top left corner, the mark ">" in column 3.
#pragma once

#include <array>
#include <string>

namespace vign::test {

// Screen rows of the menu entries.
enum EntreeMenu { kAide = 2, kFormats, kFichiers, kPresentation, kExecution, kQuitter };

// Rows de to a (from 1) of the menu box, one text line each ending with a
// line feed, the mark on row `marque` (0: no mark).
inline std::string lignes_du_menu(int de, int a, int marque) {
  static constexpr std::array<const char*, 9> kLignes = {
      "+---------------------+", "|  Aide               |", "|  Formats            |",
      "|  fIchiers           |", "|  Presentation       |", "|  Execution          |",
      "|  Quitter            |", "|                     |", "+---------------------+"};
  std::string s;
  for (int r = de; r <= a; ++r) {
    std::string l = kLignes[static_cast<std::size_t>(r - 1)];
    if (r == marque) l[2] = '>';
    s += l + "\n";
  }
  return s;
}

// The whole box with the mark on row `marque`, without the last line feed.
inline std::string menu_attendu(int marque) {
  std::string m = lignes_du_menu(1, 9, marque);
  m.pop_back();
  return m;
}

}  // namespace vign::test
