// Opening a file the program reads (records, settings, a fixed layout).
//
// A name the user types may be anything: a FIFO nobody writes to would block
// the open, and then the first read, for ever; a device (a terminal, a tape)
// would be read as records. The open never waits, and what can be read to an
// end is all that is taken: a regular file, or a pipe that has a writer.
#pragma once

#include <string>

#include "core/etat.h"
#include "core/resultat.h"

namespace vign {

// Opens `nom` for reading ("-" is standard input, taken as it is). Refused,
// in one line "message "nom" : reason": what does not open, a directory, a
// device or socket, a FIFO with no writer. The stream returned blocks as
// usual and closes on exec.
Resultat<Fichier> ouvre_en_lecture(const std::string& nom, const std::string& message);

}  // namespace vign
