// What the tests of the formats screens share: expected screens written as
// rows, a catalogue file from a string, a test run inside its own directory.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include "core/etat.h"
#include "support/programme.h"
#include "tui/terminal.h"

namespace vign::test {

// A whole screen as EcranMemoire::texte() shows it: 24 rows, each ended by a
// line feed; rows (counted from 1) not listed are blank.
inline std::string ecran(const std::map<int, std::string>& rangees) {
  std::string s;
  for (int r = 1; r <= kRangees; ++r) {
    const auto it = rangees.find(r);
    if (it != rangees.end()) s += it->second;
    s += '\n';
  }
  return s;
}

// An open file holding the given text, read from its start.
inline Fichier fichier_de(const std::string& contenu) {
  Fichier f(std::tmpfile());
  if (!f) throw std::runtime_error("tmpfile");
  std::fwrite(contenu.data(), 1, contenu.size(), f.get());
  std::rewind(f.get());
  return f;
}

// Runs a test in a fresh directory of its own, where "./formats.txt" is that
// directory's; the former working directory comes back at the end.
class DansDossier {
 public:
  DansDossier() : ancien_(std::filesystem::current_path()) {
    std::filesystem::current_path(dossier_.chemin());
  }
  ~DansDossier() { std::filesystem::current_path(ancien_); }
  DansDossier(const DansDossier&) = delete;
  DansDossier& operator=(const DansDossier&) = delete;
  const Dossier& dossier() const { return dossier_; }

 private:
  Dossier dossier_;
  std::filesystem::path ancien_;
};

}  // namespace vign::test
