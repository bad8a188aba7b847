// The command line: -l settings file (batch run), -f fixed-layout file,
// -d initial skip, -e settings file to write after every run; -c printer's
// character set, -s first label position, -n copies, which win over the keys
// of the settings file.
#pragma once

#include <span>
#include <string>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

// Reads the options into the state. The arguments are scanned from the last
// one down, so the first occurrence of an option counts. Every argument is
// tested, values included; anything else is ignored (verifier_arguments has
// refused it first). An option with no value after it sets nothing (-d: a
// skip of 0); a negative skip is 0.
void lire_arguments(Etat& st, std::span<const char* const> args);

// Refuses a command line that lire_arguments would half ignore: a word that
// is neither an option nor the value after one, or an option (but a lone -l
// at the end) with no value. The error is the line to print, status 2.
Resultat<> verifier_arguments(std::span<const char* const> args);

// What the command line asks of the program before anything else: the usage
// (-h, --help), the version (-V, --version) or the list of the sheets of the
// trade (--planches), whichever comes first, answered on standard output with
// no screen and no file touched.
enum class Demande { programme, aide, version, planches };
Demande demande(std::span<const char* const> args);

// The filter of --planches: the arguments after it, joined by blanks ("" for
// none), so that `--planches avery 63` and `--planches "avery 63"` agree.
std::string filtre_planches(std::span<const char* const> args);

// The usage that --help prints.
extern const char* const kUsage;

}  // namespace vign
