// What an operation that can fail gives back: its value, or the reason it
// failed as one line for the user. Parsers, writers and the engine return
// one; only the program's top (src/app) turns a failure into a message on
// the screen or on standard error and an exit status.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace vign {

struct Erreur {
  std::string message;  // one line, in French, naming the file or key concerned
  int statut = 1;       // exit status of a batch run that stops on it
};

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
  const Erreur& erreur() const { return std::get<1>(v_); }

 private:
  std::variant<T, Erreur> v_;
};

}  // namespace vign
