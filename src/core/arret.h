// Ending the program from deep inside a step.
//
// A few conditions end the whole program (the batch settings file does not
// open, a fixed-layout width too large, the keyboard gone for good). The step
// that meets one throws Arret; the entry point restores the terminal if it
// holds one, prints the message on standard error and exits with the status.
// Its message is built as every other one is (core/resultat.h).
#pragma once

#include <stdexcept>
#include <string>

#include "core/resultat.h"

namespace vign {

class Arret : public std::runtime_error {
 public:
  // message: one line for standard error, empty when there is nothing to say.
  Arret(int statut, const std::string& message) : std::runtime_error(message), statut_(statut) {}
  int statut() const { return statut_; }

 private:
  int statut_;
};

}  // namespace vign
