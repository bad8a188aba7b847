// What an operation that can fail gives back: its value, or the reason it
// failed as one line for the user. Parsers, writers and the engine return
// one; only the program's top (src/app) turns a failure into a message on
// the screen or on standard error and an exit status.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace vign {

struct Erreur {
  std::string message;      // one line, in French, naming the file or key concerned
  int statut = 1;           // exit status of a batch run that stops on it
  std::string cause = {};   // the reason alone, for a caller that names the file its own way
  std::string valeur = {};  // a value refused: its key, the value and why ("[pdf] cpi=0")
};

// The refusal of a value of the settings, "Valeur invalide : " then `detail`,
// its key, the value and why ("[execution] debut=0 (1 a 12)"), which the
// batch run tells again with the name of the file the value was read from.
Erreur valeur_invalide(std::string detail);
// The same, read from a settings file: "Valeur invalide dans le fichier
// BATCH : " then `detail`.
Erreur valeur_invalide_lue(std::string detail);

struct Rien {};  // the value of an operation that only succeeds or fails

template <class T = Rien>
class Resultat {
 public:
  Resultat() requires std::is_same_v<T, Rien> : v_(Rien{}) {}
  Resultat(T valeur) : v_(std::move(valeur)) {}  // NOLINT: implicit on purpose
  Resultat(Erreur e) : v_(std::move(e)) {}       // NOLINT: implicit on purpose

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  const T& operator*() const { return std::get<0>(v_); }
  T& operator*() { return std::get<0>(v_); }
  const T* operator->() const { return &std::get<0>(v_); }
  T* operator->() { return &std::get<0>(v_); }
  const Erreur& erreur() const { return std::get<1>(v_); }

 private:
  std::variant<T, Erreur> v_;
};

// A name as messages show it: in double quotes, with every byte that does not
// print written as an escape (a carriage return as \r, a tab as \t, others as
// \xHH), so that a stray byte in a file name can be seen.
std::string cite(std::string_view nom);

// The messages of a failed system call, for the current errno (left as it
// was). Every message that gives the system's reason is built by one of them:
// "texte: reason", as perror would print it;
std::string avec_raison(const std::string& texte);
// "texte "nom" : reason": a failure that names its file.
std::string avec_raison(const std::string& texte, std::string_view nom);

}  // namespace vign
