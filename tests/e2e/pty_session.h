// End-to-end terminal tests: the real vign in a pseudo-terminal, read back
// through a real terminal emulator (libvterm).
//
// A Session starts the vign binary of the build in a 24x80 pseudo-terminal
// with TERM=xterm, in the working directory and with the arguments given,
// under the C locale unless told otherwise. The emulator decodes UTF-8, and
// rows read back as UTF-8.
// Everything the program writes goes through libvterm, so the test sees the
// screen a user would see: 24 rows of text. Keys are typed as an xterm sends
// them.
//
// Nothing here sleeps for a fixed time. Every wait polls the terminal until
// the expected screen is there or a deadline passes; the deadline costs
// nothing when the screen arrives early, so it is generous (the tests run
// under sanitizers on loaded machines).
//
// Rows and columns are counted from 1, as in the screen layouts. Rows are
// compared as text with their trailing blanks removed.
//
// A typical test:
//
//     vign::test::Dossier dir;                       // an empty directory
//     vign::e2e::Session s({.dir = dir.chemin()});
//     ASSERT_TRUE(s.wait_row(3, "|> Formats            |"));
//     s.press(vign::e2e::Key::Down);
//     ASSERT_TRUE(s.wait_row(4, "|> fIchiers           |"));
//     s.press(vign::e2e::Key::F11);
//     EXPECT_TRUE(s.wait_exit(0));
//     EXPECT_TRUE(s.terminal_restored());
//
// and to compare a whole screen:
//
//     ASSERT_TRUE(s.wait_screen(R"(+---------------------+
//     |  Aide               |
//     ...)"));
//
// Typing keys before the screen that reads them is drawn is allowed (they
// wait in the terminal), but waiting for a screen first keeps the test in
// step with the program and makes failures clear. To check that keys did
// nothing, type them, then a key with a visible effect, and wait for that
// effect: the program reads keys in order.
//
// The wait_* checks return a gtest AssertionResult whose failure message holds
// the expected text and the screen as it was at the deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

struct VTerm;
struct VTermScreen;

namespace vign::e2e {

using Duration = std::chrono::milliseconds;
inline constexpr Duration kDeadline{10000};

// Keys with no printable character, sent as an xterm sends them in the modes
// the program has set (after curses asked for application cursor keys, Up is
// "\033OA"; F1 is "\033OP", F11 "\033[23~", Enter "\r", Backspace "\177").
enum class Key {
  Enter,
  Up,
  Down,
  Left,
  Right,
  Home,
  End,
  Delete,
  F1,
  F2,
  F11,
  Backspace,
  Escape,
  Tab
};

// How to start the program; name only what differs, in this order:
// Session s({.dir = d.chemin(), .args = {"-f", "fixe.def"}});
struct Launch {
  std::filesystem::path dir = ".";     // working directory of the program
  std::vector<std::string> args = {};  // arguments after the program name
  int rows = 24;                       // size of the terminal
  int cols = 80;
  bool ignore_hangup = false;  // start as nohup does: SIGHUP ignored
  std::string locale = "C";    // LANG and LC_ALL of the program, whatever ours are
};

class Session {
 public:
  explicit Session(const Launch& how = {});
  ~Session();  // kills the program if it still runs
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Types raw bytes, as pasted or typed on the keyboard ("abc", "\003").
  void type(std::string_view bytes);
  // Presses a key, times times.
  void press(Key key, int times = 1);

  // Waits until row `row` reads `text`.
  testing::AssertionResult wait_row(int row, std::string_view text, Duration deadline = kDeadline);
  // Waits until the whole screen reads `screen`: one line per row from row 1,
  // separated by line feeds; rows missing at the end are blank.
  testing::AssertionResult wait_screen(std::string_view screen, Duration deadline = kDeadline);
  // Waits until test(*this) holds; `what` describes it in the failure message.
  testing::AssertionResult wait_until(const std::function<bool(Session&)>& test,
                                      std::string_view what, Duration deadline = kDeadline);
  // Waits until the program has ended with exit status `status` (128 + n for
  // a program ended by signal n). Reads what it wrote up to its end.
  testing::AssertionResult wait_exit(int status, Duration deadline = kDeadline);

  // The screen as it stands now (after reading what has arrived).
  std::string row(int row);
  std::string screen();
  int cursor_row();
  int cursor_col();
  int bells();  // times the program rang the bell

  // After the program ended: the terminal is back in the modes a shell
  // expects (echo and line editing on) and off the program's full screen.
  testing::AssertionResult terminal_restored();

  // Hangs up the terminal, as when a remote connection drops: closes the
  // master side. Only wait_exit makes sense afterwards.
  void hang_up();
  // Sends a signal to the program.
  void signal(int sig);

 private:
  void pump(std::chrono::steady_clock::time_point until);
  void drain();
  void feed(const char* bytes, std::size_t n);
  template <class Test>
  testing::AssertionResult wait_for(Test test, Duration deadline, const std::string& wanted);

  pid_t pid_ = -1;
  int master_ = -1;
  bool eof_ = false;  // the program's side of the terminal is closed
  int status_ = -1;   // exit status once reaped
  int rows_ = 24;
  int cols_ = 80;
  VTerm* vt_ = nullptr;
  VTermScreen* vs_ = nullptr;
  struct Seen {
    int bells = 0;
    bool altscreen = false;  // the program's full screen is shown
  } seen_;                   // what libvterm reports as it reads
};

}  // namespace vign::e2e
