// The terminal as the screens see it: a 24x80 text screen and a keyboard.
//
// The real program talks to the terminal through curses; the tests and the
// fuzzers use an in-memory screen. Nothing outside src/tui/curses_terminal.cpp
// knows which one it has.
#pragma once

#include <string_view>

namespace vign {

// Key codes, as the keypad of the terminal delivers them.
inline constexpr int kEntree = 10;        // Enter
inline constexpr int kBreak = 257;        // Break
inline constexpr int kBas = 258;          // Down arrow
inline constexpr int kHaut = 259;         // Up arrow
inline constexpr int kEffacer = 263;      // Backspace
inline constexpr int kF1 = 265;           // F1: attribute entry in the presentation screens
inline constexpr int kF2 = 266;           // F2: the codes form of the presentation screens
inline constexpr int kF11 = 275;          // F11: leave
inline constexpr int kErreurTouche = -1;  // the key reader failed this once
inline constexpr int kFinClavier = -2;    // the keyboard is gone for good (hang-up)

// A character beyond ASCII typed on a terminal that speaks UTF-8 comes as
// kCaractere plus its Unicode code point, above every function key code, so
// that no character can pass for a key. Under the C locale the key reader
// gives the bytes of the keyboard instead, 128 to 255, as they are typed.
inline constexpr int kCaractere = 0x1000000;

inline constexpr int kRangees = 24;   // screen rows
inline constexpr int kColonnes = 80;  // screen columns

class Terminal {
 public:
  virtual ~Terminal() = default;
  // Takes the terminal over (the first time) and clears the screen, with
  // echo off, key-at-a-time input and keypad translation on; shows it.
  virtual void effacer() = 0;
  // Moves the cursor to 0-based row and column; off the screen it stays put.
  virtual void deplacer(int rangee, int colonne) = 0;
  // True when the screen speaks UTF-8: text to print is read as UTF-8 (a
  // character per cell, two for a wide one, a byte that is no part of a
  // valid sequence shown as '?'), and characters beyond ASCII are typed as
  // kCaractere + code point. False under the C locale: one byte per cell
  // and per key.
  virtual bool utf8() const = 0;
  // Prints at the cursor: a line feed clears the rest of the row and goes to
  // column 0 of the next row, a backspace moves one column left.
  virtual void ecrire(std::string_view texte) = 0;
  // Makes what was printed visible.
  virtual void rafraichir() = 0;
  // Sounds the bell.
  virtual void sonner() = 0;
  // Waits for a key: its code, kErreurTouche, or kFinClavier.
  virtual int lire_touche() = 0;
  // Reads one byte straight from standard input, bypassing the key reader;
  // -1 at the end of input.
  virtual int lire_octet() = 0;
  // Gives the terminal back to the shell (no effect when it was never taken).
  virtual void terminer() = 0;
};

}  // namespace vign
