// The format catalogue "./formats.txt": one format per line, eleven fields,
// each followed by ';':
//
//   name;across;width;lines;margin;h-gap;v-gap;rows;alignment;page-start;page-end;
//
// The program writes every line with the name padded or cut to 30 columns and
// the numbers right-aligned in 4, but users also write lines by hand, so the
// reader takes any spacing: names keep their trailing blanks, numbers are read
// the way every number of the program is read, page strings are kept as typed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/etat.h"

namespace vign {

inline constexpr const char* kCatalogue = "./formats.txt";
// Longest catalogue line taken, its line feed included; the rest of a longer
// line is dropped.
inline constexpr std::size_t kLigneCatalogue = 254;

// Reads catalogue text into slots 1 to 18, in line order, and sets MAXFORMAT to
// the number of lines taken (lines past the 18th are ignored). Each slot taken
// is first emptied, so that a line short of some ';' leaves the fields it does
// not hold empty or zero. Returns the numbers (from 1) of those short lines.
std::vector<int> lire_catalogue(Etat& st, std::string_view texte);

// The same, from an open catalogue file (read from where it stands).
std::vector<int> lire_catalogue(Etat& st, std::FILE* f);

// The catalogue line of one slot, line feed included.
std::string ligne_catalogue(const Etat& st, int slot);

// The whole catalogue as the program writes it: slots 1 to MAXFORMAT, then the
// working format (slot 0) as the last line when avec_nouveau.
std::string texte_catalogue(const Etat& st, bool avec_nouveau);

}  // namespace vign
