// The one place where curses is included.
#include "tui/curses_terminal.h"

// The wide-character half of curses: the screens follow the user's locale.
#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cwchar>
#include <string>
#include <string_view>

#include "core/arret.h"
#include "core/colonnes.h"
#include "core/remplacement.h"
#include "core/signaux.h"
#include "tui/saisie.h"

namespace vign {

namespace {

// How long curses waits after an Escape for the rest of a key's sequence. Its
// default of a second freezes the line input whenever a user presses Escape;
// the bytes of one key arrive together, even over a slow remote link.
constexpr int kDelaiEchap = 100;  // milliseconds

// Key reads that fail one after the other with no sign of the cause: past this
// many the keyboard is taken as gone, rather than spinning.
constexpr int kErreursDeSuite = 1000;

// What a signal handler needs to give the terminal back. A handler may only
// reach data of static storage and call async-signal-safe functions, so all of
// it is prepared when the screen is taken: the terminal modes from before, and
// the bytes that leave the screen mode (curses' own endwin is not safe there).
// This is the program's only file-scope state; nothing but the handler uses it.
//
// The handler may come between any two instructions of the program, so it
// trusts the rest only once `active` says so: the rest is written first, and
// a signal fence keeps the compiler from moving those writes past the flag.
struct Restauration {
  volatile std::sig_atomic_t active = 0;
  int fd = -1;
  termios modes{};
  char sortie[512]{};
  std::size_t longueur = 0;
};
Restauration restauration;

// Gives the terminal back and ends the program by the same signal, so that
// the shell sees how it ended.
extern "C" void rendre_et_finir(int sig) {
  // A print file half written is no print file: its temporary goes first.
  retirer_temporaires();
  if (restauration.active != 0) {
    std::atomic_signal_fence(std::memory_order_acquire);
    if (write(restauration.fd, restauration.sortie, restauration.longueur) < 0) {
      // The terminal may be gone (hang-up): nothing more can be done for it.
    }
    tcsetattr(restauration.fd, TCSANOW, &restauration.modes);
  }
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// The terminal is given back on every signal that ends the program.
void installer_signaux() {
  sur_signaux_de_fin(rendre_et_finir);
}

// The bytes endwin would send: plain attributes, visible cursor, cursor on the
// last row, keypad and screen modes left.
void preparer_sortie() {
  std::string s;
  const auto ajouter = [&s](const char* capacite) {
    const char* v = tigetstr(capacite);
    if (v != nullptr && v != reinterpret_cast<const char*>(-1)) s += v;
  };
  ajouter("sgr0");
  ajouter("cnorm");
  const char* cup = tigetstr("cup");
  if (cup != nullptr && cup != reinterpret_cast<const char*>(-1)) {
    if (const char* bas = tiparm(cup, LINES - 1, 0)) s += bas;
  }
  ajouter("rmkx");
  ajouter("rmcup");
  restauration.longueur = s.copy(restauration.sortie, sizeof restauration.sortie);
}

// The C locale has no character past ASCII, and the wide curses shows such a
// byte as a blank: it is shown as curses always named what it cannot print,
// "~I" for 0x89, "M-C" for 0xC3.
std::string octet_illisible(unsigned char o) {
  const auto bas = static_cast<char>(o & 0x7F);
  if (o < 0xA0) return {'~', static_cast<char>(bas + 0x40)};
  if (o == 0xFF) return "M-^?";
  return {'M', '-', bas};
}

// The screens are laid out for 24x80 and would be cut or garbled on less, so
// a smaller terminal is refused before the screen opens. When the size is
// unknown, curses takes it from the terminal's description.
void verifier_taille() {
  winsize w{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &w) != 0 && ioctl(STDIN_FILENO, TIOCGWINSZ, &w) != 0) return;
  if (w.ws_row == 0 || w.ws_col == 0) return;
  if (w.ws_row < kRangees || w.ws_col < kColonnes) {
    throw Arret(1, "Terminal trop petit (" + std::to_string(w.ws_row) + " lignes, " +
                       std::to_string(w.ws_col) + " colonnes) : il en faut 24 et 80 au moins");
  }
}

class TerminalCurses : public Terminal {
 public:
  ~TerminalCurses() override { terminer(); }

  void effacer() override {
    if (!pris_) prendre();
    wclear(stdscr);
    noecho();
    cbreak();
    keypad(stdscr, TRUE);
    wrefresh(stdscr);
  }
  void deplacer(int rangee, int colonne) override { wmove(stdscr, rangee, colonne); }
  bool utf8() const override { return larges_; }
  void ecrire(std::string_view texte) override {
    if (!larges_) {
      for (const char c : texte) {
        const auto o = static_cast<unsigned char>(c);
        const std::string vu = o < 0x80 ? std::string(1, c) : octet_illisible(o);
        waddnstr(stdscr, vu.data(), static_cast<int>(vu.size()));
      }
      return;
    }
    // Curses turns wide characters into the bytes of the locale.
    std::wstring w;
    while (!texte.empty()) {
      const std::size_t n = longueur_utf8(texte);
      w.push_back(n == 0 ? L'?' : static_cast<wchar_t>(point_utf8(texte)));
      texte.remove_prefix(n == 0 ? 1 : n);
    }
    waddnwstr(stdscr, w.c_str(), static_cast<int>(w.size()));
  }
  void rafraichir() override { wrefresh(stdscr); }
  void sonner() override { beep(); }

  int lire_touche() override {
    const int k = larges_ ? lire_caractere() : wgetch(stdscr);
    if (k != ERR) {
      erreurs_ = 0;
      // Terminals send 127 (or 8) for Backspace; curses turns only the one
      // named in the terminal's description into its Backspace code.
      return k == 127 || k == 8 ? kEffacer : k;
    }
    return clavier_perdu() ? kFinClavier : kErreurTouche;
  }

  int lire_octet() override {
    // One byte straight from the file descriptor: stdio would read ahead and
    // keep what follows from the key reader.
    unsigned char c = 0;
    ssize_t n = 0;
    do {
      n = read(STDIN_FILENO, &c, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 ? c : -1;
  }

  void terminer() override {
    if (!pris_) return;
    endwin();
    restauration.active = 0;
    pris_ = false;
  }

 private:
  void prendre() {
    verifier_taille();
    restauration.fd = isatty(STDOUT_FILENO) ? STDOUT_FILENO : STDIN_FILENO;
    const bool modes = tcgetattr(restauration.fd, &restauration.modes) == 0;
    installer_signaux();
    initscr();
    pris_ = true;
    set_escdelay(kDelaiEchap);
    // Terminals that ignore the request for application cursor keys send
    // their arrows in the other form; both move the menus.
    define_key("\033[A", KEY_UP);
    define_key("\033[B", KEY_DOWN);
    preparer_sortie();
    std::atomic_signal_fence(std::memory_order_release);
    restauration.active = modes ? 1 : 0;
  }

  // A key, or a character of the locale as kCaractere + its code point. The
  // bytes are decoded here rather than by curses, whose reader takes a byte
  // that begins no character (an accent typed on a Latin-1 terminal) as the
  // start of a long one and swallows the keys after it: such a byte is
  // dropped, and the byte that shows it wrong starts the next key.
  int lire_caractere() {
    std::mbstate_t etat{};
    bool entame = false;  // bytes of a character are waiting for the rest
    int k = wgetch(stdscr);
    while (k >= 0x80 && k <= 0xFF) {
      const char octet = static_cast<char>(k);
      wchar_t c = 0;
      const std::size_t r = std::mbrtowc(&c, &octet, 1, &etat);
      if (r == 1) return kCaractere + static_cast<int>(c);
      if (r == static_cast<std::size_t>(-2)) {
        entame = true;
      } else {
        etat = {};
        if (entame) {
          entame = false;
          continue;
        }
      }
      k = wgetch(stdscr);
    }
    return k;
  }

  // After a failed key read: is the keyboard gone for good (the terminal hung
  // up, standard input at its end), or was the wait only broken off?
  bool clavier_perdu() {
    if (++erreurs_ >= kErreursDeSuite) return true;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return true;
    // Readable: either the end of the input, or keys typed just now, left
    // for curses to read (taking a byte would split a character in two).
    int en_attente = 0;
    if (ioctl(STDIN_FILENO, FIONREAD, &en_attente) != 0) return errno != EINTR;
    return en_attente == 0;
  }

  bool pris_ = false;
  int erreurs_ = 0;
  // The user's locale has characters beyond ASCII (setlocale was called by
  // the entry point): UTF-8 in the program, the locale's own set on screen.
  const bool larges_ = std::string_view(nl_langinfo(CODESET)) != "ANSI_X3.4-1968";
};

}  // namespace

std::unique_ptr<Terminal> terminal_curses() {
  return std::make_unique<TerminalCurses>();
}

}  // namespace vign
