// vign: sheets of labels for line and dot-matrix printers.
//
// With -l the labels are printed from a settings file with no screen at all;
// without it the full-screen program leads the user through its menu.
#include <cstdio>
#include <exception>
#include <span>

#include "core/arguments.h"
#include "core/arret.h"
#include "core/batch.h"
#include "core/etat.h"
#include "core/interactif.h"
#include "tui/curses_terminal.h"

int main(int argc, char** argv) {
  const std::span<const char* const> args(argv, static_cast<std::size_t>(argc));
  switch (vign::demande(args)) {
    case vign::Demande::aide:
      return std::fputs(vign::kUsage, stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
    case vign::Demande::version:
      return std::printf("vign %s\n", VIGN_VERSION) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
    case vign::Demande::programme:
      break;
  }
  vign::Etat st;
  vign::lire_arguments(st, args);
  if (st.inifile) {
    try {
      return vign::traitement_batch(st);
    } catch (const vign::Arret& a) {
      if (*a.what() != '\0') std::fprintf(stderr, "%s\n", a.what());
      return a.statut();
    }
  }
  // The interactive run gives the terminal back on every way out, so the
  // message lands on a sane terminal.
  auto terminal = vign::terminal_curses();
  try {
    return vign::traitement_interactif(st, *terminal);
  } catch (const vign::Arret& a) {
    if (*a.what() != '\0') std::fprintf(stderr, "%s\n", a.what());
    return a.statut();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vign : %s\n", e.what());
    return 1;
  }
}
