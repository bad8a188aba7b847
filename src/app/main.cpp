// vign: sheets of labels for line and dot-matrix printers.
//
// With -l the labels are printed from a settings file with no screen at all;
// without it the full-screen program leads the user through its menu.
#include <clocale>
#include <cstdio>
#include <exception>
#include <span>

#include "app/arguments.h"
#include "app/batch.h"
#include "app/interactif.h"
#include "app/liste_planches.h"
#include "core/arret.h"
#include "core/etat.h"
#include "formats/planches.h"
#include "tui/curses_terminal.h"

int main(int argc, char** argv) {
  const std::span<const char* const> args(argv, static_cast<std::size_t>(argc));
  switch (vign::demande(args)) {
    case vign::Demande::aide:
      return std::fputs(vign::kUsage, stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
    case vign::Demande::version:
      return std::printf("vign %s\n", VIGN_VERSION) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
    case vign::Demande::planches:
      return vign::liste_planches(vign::filtre_planches(args), vign::sources_planches(), stdout,
                                  stderr);
    case vign::Demande::programme:
      break;
  }
  if (const auto verifie = vign::verifier_arguments(args); !verifie) {
    std::fprintf(stderr, "%s\n", verifie.erreur().message.c_str());
    return verifie.erreur().statut;
  }
  vign::Etat st;
  vign::lire_arguments(st, args);
  // Anything unexpected (memory gone) ends the program in one line too; the
  // interactive run has given the terminal back by then.
  try {
    if (st.inifile) return vign::traitement_batch(st);
    // The screens show and take the characters of the user's locale. Only
    // the character classes follow it, and only on screen: a batch run
    // prints the same bytes whatever the locale.
    std::setlocale(LC_CTYPE, "");
    // The terminal is given back before a message is printed.
    auto terminal = vign::terminal_curses();
    return vign::traitement_interactif(st, *terminal);
  } catch (const vign::Arret& a) {
    if (*a.what() != '\0') std::fprintf(stderr, "%s\n", a.what());
    return a.statut();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vign : %s\n", e.what());
    return 1;
  }
}
