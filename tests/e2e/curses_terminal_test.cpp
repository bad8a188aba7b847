// The terminal given back however the program ends: hang-up, signals, a
// terminal too small to start in.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "e2e/pty_session.h"
#include "support/programme.h"

namespace vign::e2e {
namespace {

constexpr const char* kMarque = "| >Formats            |";

class Terminal : public testing::Test {
 protected:
  test::Dossier dir;
};

TEST_F(Terminal, AHangUpEndsTheProgramPromptly) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_row(3, kMarque));
  s.hang_up();
  EXPECT_TRUE(s.wait_exit(128 + SIGHUP));
}

// Started under nohup the hang-up signal is ignored: the key reader then
// finds the keyboard gone and the program ends through its normal shutdown.
TEST_F(Terminal, AHangUpEndsTheProgramPromptlyUnderNohup) {
  Session s({.dir = dir.chemin(), .ignore_hangup = true});
  ASSERT_TRUE(s.wait_row(3, kMarque));
  s.hang_up();
  EXPECT_TRUE(s.wait_exit(1));
}

TEST_F(Terminal, SignalsGiveTheTerminalBackBeforeTheEnd) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
    Session s({.dir = dir.chemin()});
    ASSERT_TRUE(s.wait_row(3, kMarque));
    s.signal(sig);
    EXPECT_TRUE(s.wait_exit(128 + sig)) << "signal " << sig;
    EXPECT_TRUE(s.terminal_restored()) << "signal " << sig;
  }
}

TEST_F(Terminal, CtrlCAndCtrlBackslashGiveTheTerminalBack) {
  const struct {
    const char* touche;
    int sig;
  } cases[] = {{"\003", SIGINT}, {"\034", SIGQUIT}};
  for (const auto& c : cases) {
    Session s({.dir = dir.chemin()});
    ASSERT_TRUE(s.wait_row(3, kMarque));
    s.type(c.touche);
    EXPECT_TRUE(s.wait_exit(128 + c.sig)) << "signal " << c.sig;
    EXPECT_TRUE(s.terminal_restored()) << "signal " << c.sig;
  }
}

TEST_F(Terminal, ATerminalSmallerThan24By80IsRefusedBeforeTheScreenOpens) {
  const struct {
    int rows, cols;
    const char* message;
  } cases[] = {
      {23, 80, "Terminal trop petit (23 lignes, 80 colonnes) : il en faut 24 et 80 au moins"},
      {24, 79, "Terminal trop petit (24 lignes, 79 colonnes) : il en faut 24 et 80 au moins"},
  };
  for (const auto& c : cases) {
    Session s({.dir = dir.chemin(), .rows = c.rows, .cols = c.cols});
    EXPECT_TRUE(s.wait_exit(1));
    EXPECT_EQ(s.row(1), c.message);
    EXPECT_TRUE(s.terminal_restored());
  }
}

// The harness itself: a program killed outright leaves the terminal as it
// had set it, and the check must say so.
TEST_F(Terminal, AProgramKilledOutrightIsSeenLeavingTheTerminalUnrestored) {
  Session s({.dir = dir.chemin()});
  ASSERT_TRUE(s.wait_row(3, kMarque));
  s.signal(SIGKILL);
  EXPECT_TRUE(s.wait_exit(128 + SIGKILL));
  EXPECT_FALSE(s.terminal_restored());
}

}  // namespace
}  // namespace vign::e2e
