// The print file as a PDF document, or as a PNG picture of its first page:
// the bytes a line printer would get, laid on sheets of paper.
//
// The sink is fed the very bytes of the text print file and plays the
// printer: line feeds move to the next line, the page end the engine reports
// starts a new sheet, and the printer's control bytes set the style of what
// follows instead of being drawn:
//   ESC E / ESC F           bold on / off
//   ESC 4 / ESC 5           italic on / off
//   ESC - 1 / ESC - 0       underline on / off (also ESC - 0x01 / ESC - 0x00)
//   ESC @                   all three off (the printer's reset)
// Styles hold across lines and pages until turned off. Any other ESC is
// dropped with the byte after it, and with one byte more after the ESC/P
// commands that take one (ESC 3 n, ESC A n, ESC C n, ESC ! n, ...): page-start
// strings set the line spacing that way, and n must not be drawn. Every other
// control byte (0 to 31, 127) is dropped.
//
// Text is UTF-8. Each character takes one print column, an East Asian wide
// one two, a combining mark none (it sits on the character before it); a
// byte that is not UTF-8 takes one column and is drawn as U+FFFD. The
// character at column c of line l (both from 0, lines counted from the top of
// the page) has its left edge at gauche + c x 25.4/cpi mm and its baseline at
// haut + (l + 0.8) x 25.4/lpi mm from the sheet's top-left corner, whatever
// the font's own advance. Lines longer than 4096 bytes are cut there.
//
// Pages go to the file as they end, so memory does not grow with their
// number. Pages that end with nothing printed on them (no character, not even
// a space) and no printed page after them are left out: the page end the
// engine sends once more at the end of a run, to eject the last sheet, makes
// no blank last page.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/resultat.h"
#include "engine/codes.h"
#include "engine/composition.h"
#include "engine/reglages_pdf.h"

namespace vign {

// The failure of the print file `nom`: "Erreur sortie "nom" : raison", the
// one line every failure to write it gives, drawn or not.
inline Erreur echec_sortie(const std::string& nom, std::string_view raison) {
  return Erreur{"Erreur sortie " + cite(nom) + " : " + std::string(raison)};
}

// False in a build made without cairo and pango, where no sink opens.
bool sortie_pdf_construite();

class SortiePdf {
 public:
  // Creates the file `nom`: a PNG picture at 150 dots per inch of the first
  // page only, label outlines always drawn, when the name ends in ".png"; a
  // PDF document with the font embedded otherwise. Refuses, creating nothing,
  // a sheet whose first row does not fit the page (refus_planche_pdf).
  // Failures are one line: "Erreur sortie \"nom\" : reason".
  static Resultat<std::unique_ptr<SortiePdf>> ouvre(const std::string& nom,
                                                    const ReglagesPdf& reglages, const Format& p);
  // The same into a stream already open, which the sink then owns (it is
  // closed on a refusal too); `nom` is the name messages give it.
  static Resultat<std::unique_ptr<SortiePdf>> ouvre(std::FILE* f, const std::string& nom,
                                                    const ReglagesPdf& reglages, const Format& p);
  ~SortiePdf();
  SortiePdf(const SortiePdf&) = delete;
  SortiePdf& operator=(const SortiePdf&) = delete;

  // Bytes of the print file, cut anywhere (a line, a UTF-8 sequence or an
  // ESC command may run over two calls).
  void ecrit(std::string_view octets);

  // The page ends here; what follows goes on a new sheet from line 0.
  void fin_de_page();

  // Draws the symbol of `valeur` in the box of `largeur` x `hauteur` cells
  // whose top-left cell is at column `colonne`, `ligne` lines below the line
  // the next bytes begin; the characters that land in the box later are not
  // drawn, so that nothing prints over the code. Says why when the value
  // makes no symbol that fits (the box is masked all the same).
  Resultat<> code(TypeCode type, std::string_view valeur, int colonne, int ligne, int largeur,
                  int hauteur);

  // Nothing while every write to the file went through; once one has
  // failed, what follows is not drawn and this is the failure: errno of the
  // write (a full disk, a reader gone), or EIO when it was the drawing's own.
  Resultat<> verifie() const;
  // A line for the user after the run: the font named by [pdf] police is not
  // installed, and which one is drawn instead.
  const std::optional<std::string>& remarque() const;

  // Ends the document (a line with no line feed after it is printed) and
  // closes the file; the one-line failure when that went wrong.
  Resultat<> ferme();

 private:
  struct Dessin;  // the drawing side, behind the build's graphics library
  explicit SortiePdf(std::unique_ptr<Dessin> dessin);
  std::unique_ptr<Dessin> dessin_;
};

}  // namespace vign
