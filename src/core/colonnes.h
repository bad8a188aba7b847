// Print columns of label text: records come in UTF-8, and a label line is
// filled to a number of columns, not of bytes. The one UTF-8 decoder and the
// one width rule of the program: a text print file is filled by them, a PDF
// print file places its characters by them, and the line input counts the
// columns it takes by them.
//
// Widths of the characters are those of the C library's UTF-8 locale
// (C.UTF-8), whatever the user's own locale: a character counts 1, a
// combining mark or other zero-width character 0 (e followed by U+0301 is one
// column), an East Asian wide character 2. A valid character the library
// gives no width (a C1 control U+0080..U+009F, an unassigned code point)
// counts 1, like the ASCII control bytes always did: a C1 control is no
// printing character, but the label is filled as if it took its column, and
// a PDF print file leaves that column blank so that what follows on the line
// stays where the text print file has it. Without C.UTF-8 on the machine
// every valid character counts 1.
//
// A byte that is not part of a valid UTF-8 sequence (a stray continuation
// byte, a truncated sequence, an overlong form, a surrogate, a code past
// U+10FFFF) counts one column on its own, so text in a single-byte set
// (Latin-1, CP850) keeps the width of one column per byte it always had.
//
// Widths add up: when a text is cut where coupe() cuts, or anywhere between
// two characters, the width of the whole is the sum of the widths of the
// pieces, so a line can be measured piece by piece as it is composed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vign {

// The display width of texte. Runs of ASCII cost one column per byte.
long long colonnes(std::string_view texte);

// The byte length of the longest prefix of texte whose width is at most
// max_colonnes. A valid sequence is never split, zero-width characters stay
// with the character before them (those after the last character kept are
// kept too), and a wide character that would pass the limit is left out
// whole. A negative max_colonnes gives 0. When largeur is given it receives
// the width of the prefix.
std::size_t coupe(std::string_view texte, long long max_colonnes, long long* largeur = nullptr);

// The byte length of the longest prefix of texte of at most max_octets bytes
// that neither splits a valid sequence nor parts a zero-width character from
// the character before it: a row of bytes is cut there. Text of a single-byte
// set is cut at max_octets.
std::size_t coupe_octets(std::string_view texte, std::size_t max_octets);

// The byte length of the valid UTF-8 sequence that begins texte (1 to 4), or
// 0 when texte is empty or does not begin with one. lit_utf8 gives its code
// point in cp too (untouched when there is none); point_utf8 the code point
// alone, 0 when there is none.
std::size_t longueur_utf8(std::string_view texte);
std::size_t lit_utf8(std::string_view texte, char32_t& cp);
char32_t point_utf8(std::string_view texte);

// The columns of code point cp (below U+110000): 0, 1 or 2, as above.
unsigned largeur_point(char32_t cp);

// Appends the UTF-8 form of code point c to s; nothing for a surrogate or a
// code past U+10FFFF.
void ajouter_utf8(std::string& s, char32_t c);

}  // namespace vign
