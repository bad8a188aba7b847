// Ending the program from deep inside a step.
//
// A few conditions end the whole program (the batch settings file does not
// open, a fixed-layout width too large, the keyboard gone for good). The step
// that meets one throws Arret; the entry point restores the terminal if it
// holds one, prints the message on standard error and exits with the status.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vign {

class Arret : public std::runtime_error {
 public:
  // message: one line for standard error, empty when there is nothing to say.
  Arret(int statut, const std::string& message) : std::runtime_error(message), statut_(statut) {}
  int statut() const { return statut_; }

 private:
  int statut_;
};

// "texte: reason" for the current errno, as perror would print it.
std::string avec_raison(const std::string& texte);

// A name as messages show it: in double quotes, with every byte that does not
// print written as an escape (a carriage return as \r, a tab as \t, others as
// \xHH), so that a stray byte in a file name can be seen.
std::string cite(std::string_view nom);

// "texte "nom" : reason" for the current errno: a failure that names its file.
std::string avec_raison(const std::string& texte, std::string_view nom);

}  // namespace vign
