// The field by field input of a form (each field typed in turn, where it
// stands, Up going back one), and the messages and question of its row.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "tui/saisie.h"
#include "tui/terminal.h"

namespace vign {

// A field of a form: where it is typed and the characters it refuses.
struct ChampForme {
  Zone zone;                   // the field's place and room
  std::string_view refuses{};  // refused with the bell, as past the room
};

// Reads the fields in turn: Up goes back one (on from the first), any other
// key that ends the input on to the next. With `reprise` each field starts
// from valeur(i), cut to its room, and is typed on from its end; otherwise
// it starts empty from its first column. As field i is left, garder(i,
// montre, texte) gets what the field showed at first and what it holds.
// False when the user abandons the form with F11 (the field under way is not
// given to garder).
bool saisir_forme(
    Terminal& t, std::span<const ChampForme> champs, bool reprise,
    const std::function<std::string(std::size_t)>& valeur,
    const std::function<void(std::size_t, const std::string&, const std::string&)>& garder);

// Shows texte on the form's message row `rangee` in place of whatever stood
// there: from column 3, the room of a message (66 columns) and of the short
// answer after it blanked, then texte cut to that room; made visible.
void dire_forme(Terminal& t, int rangee, std::string_view texte);

// Waits for the user to acknowledge a message: a short answer, whatever it is.
void attendre_forme(Terminal& t);

// Asks question on the message row `rangee`, its short answer typed from
// column `reponse`: true when the answer begins with O or o.
bool oui_forme(Terminal& t, int rangee, std::string_view question, int reponse);

}  // namespace vign
