#include "e2e/pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vterm.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace vign::e2e {

namespace {

using Clock = std::chrono::steady_clock;

// Longest single wait on the terminal, so that the end of the program is seen
// soon even when it writes nothing more.
constexpr int kSliceMs = 50;

bool starts_with_any(std::string_view s, std::initializer_list<std::string_view> prefixes) {
  return std::ranges::any_of(prefixes, [s](std::string_view p) { return s.starts_with(p); });
}

// The program's environment: ours, with the terminal type and locale of the
// test and nothing that would change its size or key timing behind its back.
std::vector<std::string> environment(const std::string& locale) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (!starts_with_any(
            *e, {"TERM=", "TERMINFO", "LINES=", "COLUMNS=", "ESCDELAY=", "LANG=", "LC_"})) {
      env.emplace_back(*e);
    }
  }
  env.emplace_back("TERM=xterm");
  env.emplace_back("LANG=" + locale);
  env.emplace_back("LC_ALL=" + locale);
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (auto& s : strings) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

void write_all(int fd, const char* bytes, std::size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, bytes, n);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno == EAGAIN) {
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, kSliceMs);
      continue;
    }
    if (w <= 0) {
      ADD_FAILURE() << "typing into the terminal failed: " << std::strerror(errno);
      return;
    }
    bytes += w;
    n -= static_cast<std::size_t>(w);
  }
}

void append_utf8(std::string& s, uint32_t c) {
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string trimmed(std::string_view s) {
  const auto end = s.find_last_not_of(' ');
  return std::string(s.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

VTermKey vterm_key(Key k) {
  switch (k) {
    case Key::Enter:
      return VTERM_KEY_ENTER;
    case Key::Up:
      return VTERM_KEY_UP;
    case Key::Down:
      return VTERM_KEY_DOWN;
    case Key::Left:
      return VTERM_KEY_LEFT;
    case Key::Right:
      return VTERM_KEY_RIGHT;
    case Key::Home:
      return VTERM_KEY_HOME;
    case Key::End:
      return VTERM_KEY_END;
    case Key::Delete:
      return VTERM_KEY_DEL;
    case Key::F1:
      return static_cast<VTermKey>(VTERM_KEY_FUNCTION(1));
    case Key::F2:
      return static_cast<VTermKey>(VTERM_KEY_FUNCTION(2));
    case Key::F11:
      return static_cast<VTermKey>(VTERM_KEY_FUNCTION(11));
    case Key::Backspace:
      return VTERM_KEY_BACKSPACE;
    case Key::Escape:
      return VTERM_KEY_ESCAPE;
    case Key::Tab:
      return VTERM_KEY_TAB;
  }
  return VTERM_KEY_NONE;
}

}  // namespace

Session::Session(const Launch& how) : rows_(how.rows), cols_(how.cols) {
  // Everything the child needs is made before the fork: after it, only exec.
  std::vector<std::string> args = {VIGN_BINARY};
  args.insert(args.end(), how.args.begin(), how.args.end());
  std::vector<std::string> env = environment(how.locale);
  std::vector<char*> argv = pointers(args);
  std::vector<char*> envp = pointers(env);
  const std::string dir = how.dir.string();

  winsize size{};
  size.ws_row = static_cast<unsigned short>(rows_);
  size.ws_col = static_cast<unsigned short>(cols_);
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ < 0) throw std::runtime_error(std::string("forkpty: ") + std::strerror(errno));
  if (pid_ == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    // A program started from a shell on a terminal has every signal at its
    // default, whatever was ignored or blocked where the tests run (a shell
    // without job control ignores SIGINT in background commands).
    for (int sig = 1; sig < NSIG; ++sig) {
      if (sig != SIGKILL && sig != SIGSTOP) std::signal(sig, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (how.ignore_hangup) std::signal(SIGHUP, SIG_IGN);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

  vt_ = vterm_new(rows_, cols_);
  vterm_set_utf8(vt_, 1);
  // What the emulator sends back (keys, answers to queries) goes to the program.
  vterm_output_set_callback(
      vt_,
      [](const char* s, std::size_t len, void* user) {
        const int fd = static_cast<Session*>(user)->master_;
        if (fd >= 0) write_all(fd, s, len);
      },
      this);
  vs_ = vterm_obtain_screen(vt_);
  static const VTermScreenCallbacks callbacks = {
      .damage = nullptr,
      .moverect = nullptr,
      .movecursor = nullptr,
      .settermprop =
          [](VTermProp prop, VTermValue* val, void* user) {
            if (prop == VTERM_PROP_ALTSCREEN) static_cast<Seen*>(user)->altscreen = val->boolean;
            return 1;
          },
      .bell =
          [](void* user) {
            ++static_cast<Seen*>(user)->bells;
            return 1;
          },
      .resize = nullptr,
      .sb_pushline = nullptr,
      .sb_popline = nullptr,
  };
  vterm_screen_set_callbacks(vs_, &callbacks, &seen_);
  vterm_screen_enable_altscreen(vs_, 1);
  vterm_screen_reset(vs_, 1);
}

Session::~Session() {
  if (pid_ > 0 && status_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
  if (vt_ != nullptr) vterm_free(vt_);
}

void Session::type(std::string_view bytes) {
  if (master_ < 0) {
    ADD_FAILURE() << "typing into a terminal that was hung up";
    return;
  }
  write_all(master_, bytes.data(), bytes.size());
}

void Session::press(Key key, int times) {
  for (int i = 0; i < times; ++i) vterm_keyboard_key(vt_, vterm_key(key), VTERM_MOD_NONE);
}

void Session::feed(const char* bytes, std::size_t n) {
  vterm_input_write(vt_, bytes, n);
}

void Session::drain() {
  if (master_ < 0) return;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) {
      feed(buf, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      // EAGAIN: all read for now. EIO or 0: the program's side is closed.
      if (n == 0 || errno != EAGAIN) eof_ = true;
      return;
    }
  }
}

void Session::pump(Clock::time_point until) {
  const auto left = std::chrono::duration_cast<Duration>(until - Clock::now()).count();
  const int ms = static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
  if (eof_ || master_ < 0) {
    poll(nullptr, 0, std::min(ms, 5));  // nothing more to read: only the end to wait for
    return;
  }
  pollfd p{master_, POLLIN, 0};
  if (poll(&p, 1, ms) > 0) drain();
}

template <class Test>
testing::AssertionResult Session::wait_for(Test test, Duration deadline,
                                           const std::string& wanted) {
  const auto until = Clock::now() + deadline;
  for (;;) {
    drain();
    if (test()) return testing::AssertionSuccess();
    // Once the program's side is closed the screen cannot change any more.
    if (Clock::now() >= until || eof_) break;
    pump(until);
  }
  std::ostringstream m;
  m << "waited " << deadline.count() << " ms for " << wanted << "\nscreen:\n";
  for (int r = 1; r <= rows_; ++r) m << (r < 10 ? " " : "") << r << "|" << row(r) << "\n";
  return testing::AssertionFailure() << m.str();
}

testing::AssertionResult Session::wait_row(int r, std::string_view text, Duration deadline) {
  const std::string want = trimmed(text);
  return wait_for([&] { return row(r) == want; }, deadline,
                  "row " + std::to_string(r) + " to read \"" + want + "\"");
}

testing::AssertionResult Session::wait_screen(std::string_view text, Duration deadline) {
  std::vector<std::string> want;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) want.push_back(trimmed(line));
  want.resize(static_cast<std::size_t>(std::max(rows_, static_cast<int>(want.size()))));
  const auto same = [&] {
    for (int r = 1; r <= static_cast<int>(want.size()); ++r) {
      if (row(r) != want[static_cast<std::size_t>(r - 1)]) return false;
    }
    return true;
  };
  return wait_for(same, deadline, "the screen:\n" + std::string(text));
}

testing::AssertionResult Session::wait_until(const std::function<bool(Session&)>& test,
                                             std::string_view what, Duration deadline) {
  return wait_for([&] { return test(*this); }, deadline, std::string(what));
}

testing::AssertionResult Session::wait_exit(int status, Duration deadline) {
  const auto until = Clock::now() + deadline;
  while (status_ < 0) {
    drain();
    int st = 0;
    const pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
      status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      break;
    }
    if (Clock::now() >= until) {
      return testing::AssertionFailure()
             << "the program still runs after " << deadline.count() << " ms; screen:\n"
             << screen();
    }
    pump(until);
  }
  drain();  // what it wrote last
  if (status_ == status) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "exit status " << status_ << ", expected " << status << "; screen:\n"
         << screen();
}

std::string Session::row(int r) {
  drain();
  std::string s;
  VTermScreenCell cell{};
  for (int c = 0; c < cols_; ++c) {
    vterm_screen_get_cell(vs_, VTermPos{r - 1, c}, &cell);
    if (cell.chars[0] == 0) {
      s += ' ';
    } else if (cell.chars[0] != static_cast<uint32_t>(-1)) {  // right half of a wide character
      for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && cell.chars[i] != 0; ++i) {
        append_utf8(s, cell.chars[i]);
      }
    }
  }
  return trimmed(s);
}

std::string Session::screen() {
  std::string s;
  for (int r = 1; r <= rows_; ++r) s += row(r) + "\n";
  return s;
}

int Session::cursor_row() {
  drain();
  VTermPos p{};
  vterm_state_get_cursorpos(vterm_obtain_state(vt_), &p);
  return p.row + 1;
}

int Session::cursor_col() {
  drain();
  VTermPos p{};
  vterm_state_get_cursorpos(vterm_obtain_state(vt_), &p);
  return p.col + 1;
}

int Session::bells() {
  drain();
  return seen_.bells;
}

testing::AssertionResult Session::terminal_restored() {
  if (status_ < 0) return testing::AssertionFailure() << "the program has not ended";
  if (master_ < 0) return testing::AssertionFailure() << "the terminal was hung up";
  termios t{};
  // On the master side, the modes read are those of the program's side.
  if (tcgetattr(master_, &t) != 0) {
    return testing::AssertionFailure() << "tcgetattr: " << std::strerror(errno);
  }
  if ((t.c_lflag & ECHO) == 0) return testing::AssertionFailure() << "echo left off";
  if ((t.c_lflag & ICANON) == 0) return testing::AssertionFailure() << "line editing left off";
  if (seen_.altscreen) return testing::AssertionFailure() << "still on the full screen";
  return testing::AssertionSuccess();
}

void Session::hang_up() {
  if (master_ >= 0) close(master_);
  master_ = -1;
  eof_ = true;
}

void Session::signal(int sig) {
  kill(pid_, sig);
}

}  // namespace vign::e2e
