// The format catalogue "./formats.txt": one format per line, eleven fields,
// each followed by ';':
//
//   name;across;width;lines;margin;h-gap;v-gap;rows;alignment;page-start;page-end;
//
// A line may hold a twelfth field, the sheet of its PDF print file (see
// Format::planche), followed by ';' too: written only for a format that has
// one, and ignored by the readers that know eleven fields only.
//
// The program writes every line with the name padded or cut to 30 columns and
// the numbers right-aligned in 4, but users also write lines by hand, so the
// reader takes any spacing: names keep their trailing blanks, numbers are read
// the way every number of the program is read, page strings are kept as typed.
//
// A new format joins the catalogue as one line added at its end: the lines
// already there are kept byte for byte, whatever they hold (a comment, a line
// short of fields, a stray byte), since the program cannot tell what a user
// meant by them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/etat.h"
#include "core/resultat.h"

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

// Sets a format's name, cut to what the name holds between two characters,
// so that a cut never leaves half a character of UTF-8.
void nommer(Libelle& libelle, std::string_view nom);

// The catalogue line of one slot, line feed included. The name is cut and
// padded to 30 columns, so that names with accents line up as ASCII ones do.
std::string ligne_catalogue(const Etat& st, int slot);

// The whole catalogue in the program's layout: slots 1 to MAXFORMAT, then the
// working format (slot 0) as the last line when avec_nouveau.
std::string texte_catalogue(const Etat& st, bool avec_nouveau);

// The number of lines of catalogue text, counted as the reader counts them
// (an unfinished last line is one).
int lignes_du_catalogue(std::string_view texte);

// Catalogue text with one line added at its end: the old text unchanged, a
// line feed if it did not end with one, then `ligne`.
std::string catalogue_augmente(std::string_view ancien, std::string_view ligne);

// The [pdf] values of a geometry text, by the index of kClesPdf: pieces
// "key=value" joined by ',', each key one of kClesPdf. None for a text that
// holds no '=' (a sheet reference); an error for a piece that is no key of
// [pdf]. The values themselves are read by the PDF settings.
using TextesPdf = std::array<std::optional<std::string>, kValeursPdf>;
Resultat<std::optional<TextesPdf>> lit_geometrie(std::string_view texte);

// The geometry text of the values set, in the order cpi, lpi, haut, gauche,
// page, then taille and contours (the font family is no part of it).
std::string ecrit_geometrie(const TextesPdf& valeurs);

// The message of a catalogue that already holds its 18 formats.
std::string catalogue_plein();

// Whether the catalogue could be replaced, asked of the system without
// creating anything: its directory must take a new file and the catalogue,
// if there is one, must be writable. The error names the catalogue and the
// reason, as the replacement itself would.
Resultat<> catalogue_modifiable(const std::string& chemin);

// The catalogue held for a change. Two copies of the program adding formats
// in one directory each take this lock, read the catalogue as it stands under
// it and replace it before letting go, so that neither loses the other's line.
// The lock is advisory (flock): a text editor does not see it.
class VerrouCatalogue {
 public:
  // Waits until this process holds the lock on the file now named `chemin`
  // (an empty one is created if there is none), then reads it whole. A
  // symbolic link is followed: its target is the file locked and replaced. On
  // failure nothing is held, and ajouter and remplacer give the reason.
  explicit VerrouCatalogue(std::string chemin);
  // Lets the lock go; an empty file it created and did not fill is removed,
  // so that a failed addition leaves no catalogue where there was none.
  ~VerrouCatalogue();
  VerrouCatalogue(const VerrouCatalogue&) = delete;
  VerrouCatalogue& operator=(const VerrouCatalogue&) = delete;

  // The catalogue's bytes as read under the lock.
  const std::string& contenu() const { return contenu_; }

  // Replaces the catalogue (core/remplacement.h: a temporary file beside it,
  // mode, owner and group kept) by its content plus `ligne`, unless it
  // already holds 18 lines. Once only.
  Resultat<> ajouter(std::string_view ligne);

  // Replaces line `numero` (from 1) by `ligne`, every other line kept byte
  // for byte, provided that line still begins with `debut` (the name of the
  // format it held when the catalogue was read: another copy may have
  // changed it since). Once only, as ajouter.
  Resultat<> remplacer(int numero, std::string_view debut, std::string_view ligne);

 private:
  Resultat<> tenir();
  Resultat<> ecrire(const std::string& texte);
  Erreur echec(const char* etape);

  std::string chemin_;     // the catalogue's file, its links followed
  int fd_ = -1;            // the file locked; -1 when the lock could not be had
  bool cree_ = false;      // the empty file is ours
  bool remplace_ = false;  // the catalogue was replaced: the lock holds an old file
  std::string contenu_;    // the bytes read under the lock
  Resultat<> tenu_;        // why there is no lock, when there is none
};

}  // namespace vign
