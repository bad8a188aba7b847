// The screen and keyboard primitives every screen is built on: CLS clears,
// pos places the cursor, acceptc reads one line of text.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tui/terminal.h"

namespace vign {

// The row under the main menu box where the program's messages go.
inline constexpr int kRangeeMessages = 8;

// Takes the terminal (first call) and clears the screen.
void CLS(Terminal& t);

// Moves the cursor to row ligne, column colonne, both counted from 1.
void pos(Terminal& t, int ligne, int colonne);

// Prints text at the cursor.
void affiche(Terminal& t, std::string_view texte);

// What a screen may ask of the line input beyond the common rules.
struct OptionsSaisie {
  bool avec_f1 = false;        // F1 ends the input too (attribute entry)
  bool avec_f2 = false;        // F2 ends the input too (the codes form)
  std::string_view refuses{};  // characters refused with the bell, as past the limit
  std::string_view arrets{};   // ASCII characters that end the input as Enter does
  bool reprise = false;        // the buffer is kept, already shown, and typed on
  // Called whenever a character is added or taken back, with the text so far
  // (a list that narrows as one types); the cursor is the caller's to put back.
  std::function<void(const std::string&)> changement{};
};

// The line input. Reads keys until Enter, F11, Break, Up or Down (or F1 when
// asked), echoing typed characters at the cursor. At most `length` characters
// are taken: one more rings the bell. Backspace erases the last one; control
// characters and other function keys are ignored. buffer receives the typed
// text; the terminating key is returned.
// On a terminal that speaks UTF-8 the text is UTF-8 and `length` counts
// screen columns (one per accented letter, two per wide character, none for
// a combining mark); Backspace takes the last character back whole, with the
// marks on it. Under the C locale a character is a byte.
// Throws Arret when the keyboard is gone for good.
int acceptc(Terminal& t, std::string& buffer, int length, const OptionsSaisie& options = {});

// The columns texte takes on t's screen: a byte a column under the C locale.
long long colonnes_ecran(const Terminal& t, std::string_view texte);

// A field of a screen: where it is typed and how many characters it takes.
struct Zone {
  int ligne;
  int colonne;
  int longueur;
};

// The line input at a field: the cursor goes there, then acceptc.
int saisir(Terminal& t, const Zone& z, std::string& texte, const OptionsSaisie& options = {});

// The ">" mark of a menu, moved from row `avant` to row `ligne` of column
// `colonne`; then waits for a key and returns it (a character of `arrets`
// is returned too).
int marque(Terminal& t, int avant, int ligne, int colonne, std::string_view arrets = {});

}  // namespace vign
