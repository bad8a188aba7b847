// A terminal held in memory: a 24x80 grid of characters that follows the
// curses rules the screens rely on, fed by a script of keys. The tests and the
// fuzzers drive every screen through it, with no real terminal.
//
// By default it stands for a terminal under the C locale: a byte a cell and a
// key. Made with utf8 = true it speaks UTF-8 as a terminal in the user's
// locale does: a character a cell (a wide one takes two, a combining mark is
// dropped, a stray byte shows '?'), typed characters beyond ASCII come as
// kCaractere + code point, and the rows read back as UTF-8.
#pragma once

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "tui/terminal.h"

namespace vign {

class EcranMemoire : public Terminal {
 public:
  explicit EcranMemoire(bool utf8 = false);

  // Keys to hand out, in order; when they run out the keyboard is gone.
  void taper(std::initializer_list<int> touches);
  void taper(std::string_view texte);  // one key per character (per byte under C)
  // Bytes that lire_octet hands out.
  void taper_octets(std::string_view octets);

  // Row r (0-based) as shown after the last refresh, trailing blanks removed.
  std::string rangee(int r) const;
  // The whole screen as shown after the last refresh, one line per row,
  // trailing blanks removed.
  std::string texte() const;
  int curseur_rangee() const { return rangee_; }
  int curseur_colonne() const { return colonne_; }
  int sonneries() const { return sonneries_; }
  bool pris() const { return pris_; }
  bool rendu() const { return rendu_; }

  void effacer() override;
  void deplacer(int rangee, int colonne) override;
  void ecrire(std::string_view texte) override;
  void rafraichir() override;
  bool utf8() const override { return utf8_; }
  void sonner() override { ++sonneries_; }
  int lire_touche() override;
  int lire_octet() override;
  void terminer() override { rendu_ = pris_; }

 private:
  // A cell holds a byte under the C locale, a code point in UTF-8.
  using Grille = std::array<std::array<char32_t, kColonnes>, kRangees>;
  void poser(char32_t c);  // one cell at the cursor, which moves on
  bool utf8_;
  Grille travail_{};  // what has been printed
  Grille visible_{};  // what the last refresh showed
  int rangee_ = 0;
  int colonne_ = 0;
  int sonneries_ = 0;
  bool pris_ = false;
  bool rendu_ = false;
  std::deque<int> touches_;
  std::deque<unsigned char> octets_;
};

}  // namespace vign
