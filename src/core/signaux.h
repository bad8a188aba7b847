// The signals that end the program: from the terminal (Ctrl-C, Ctrl-\,
// hang-up) or from another process (SIGTERM). Whatever must be undone before
// the program goes (temporary files, the terminal's modes) is undone by one
// handler installed for all four.
#pragma once

namespace vign {

// What runs on a signal that ends the program; it must be async-signal-safe
// and end by the signal's own default action, so that the shell sees how the
// program ended.
using Traitant = void (*)(int);

// Installs `traitant` for SIGHUP, SIGINT, SIGQUIT and SIGTERM, the four held
// back while it runs. A signal ignored when the program started (nohup, a
// background job of a shell without job control) stays ignored: the one who
// started the program chose so.
void sur_signaux_de_fin(Traitant traitant);

}  // namespace vign
