// The one place where curses is included.
#include "tui/curses_terminal.h"

#include <curses.h>
#include <cstdio>

namespace vign {

namespace {

class TerminalCurses : public Terminal {
 public:
  void effacer() override {
    initscr();
    pris_ = true;
    wclear(stdscr);
    noecho();
    cbreak();
    keypad(stdscr, TRUE);
    wrefresh(stdscr);
  }
  void deplacer(int rangee, int colonne) override { wmove(stdscr, rangee, colonne); }
  void ecrire(std::string_view texte) override {
    waddnstr(stdscr, texte.data(), static_cast<int>(texte.size()));
  }
  void rafraichir() override { wrefresh(stdscr); }
  void sonner() override { beep(); }
  int lire_touche() override { return wgetch(stdscr); }
  int lire_octet() override { return std::getchar(); }
  void terminer() override {
    if (pris_) endwin();
    pris_ = false;
  }

 private:
  bool pris_ = false;
};

}  // namespace

std::unique_ptr<Terminal> terminal_curses() { return std::make_unique<TerminalCurses>(); }

}  // namespace vign
