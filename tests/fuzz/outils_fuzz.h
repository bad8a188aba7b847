// What the fuzz targets share: a private directory for the files a target has
// to write, so that no input can ever name a file of the user's, and a way to
// cut one fuzz input into the several texts a reader takes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/etat.h"
#include "formats/inifile.h"

namespace vign::fuzz {

// Aborts with a one-line reason: libFuzzer keeps the input that led here.
[[noreturn]] inline void echec(const char* quoi) {
  std::fprintf(stderr, "propriete violee: %s\n", quoi);
  std::abort();
}

inline void exiger(bool vrai, const char* quoi) {
  if (!vrai) echec(quoi);
}

// A directory of this process, made on first use under $TMPDIR, else in
// memory (/dev/shm) when the system has it, else under /tmp, and removed at a
// normal end (run.sh also removes what a crash leaves); the target writes its
// files there under fixed names.
inline const std::string& dossier_prive() {
  static const std::string dossier = [] {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = "/tmp";
    if (tmpdir != nullptr && *tmpdir != '\0') {
      base = tmpdir;
    } else if (std::filesystem::is_directory("/dev/shm")) {
      base = "/dev/shm";
    }
    std::string modele = base + "/vign-fuzz-XXXXXX";
    if (::mkdtemp(modele.data()) == nullptr) echec("mkdtemp");
    return modele;
  }();
  static const bool nettoyage = std::atexit([] {
                                  std::error_code ignore;
                                  std::filesystem::remove_all(dossier, ignore);
                                }) == 0;
  (void)nettoyage;
  return dossier;
}

inline std::string chemin_prive(std::string_view nom) {
  return dossier_prive() + "/" + std::string(nom);
}

inline void ecrire_fichier(const std::string& chemin, std::string_view contenu) {
  std::FILE* f = std::fopen(chemin.c_str(), "wb");
  if (f == nullptr) echec("creation d'un fichier de travail");
  if (!contenu.empty()) std::fwrite(contenu.data(), 1, contenu.size(), f);
  std::fclose(f);
}

inline std::string lire_fichier(const std::string& chemin) {
  std::string s;
  std::FILE* f = std::fopen(chemin.c_str(), "rb");
  if (f == nullptr) return s;
  char tampon[4096];
  std::size_t n = 0;
  while ((n = std::fread(tampon, 1, sizeof tampon, f)) > 0) s.append(tampon, n);
  std::fclose(f);
  return s;
}

// Cuts the input at the first occurrence of `separateur`: the part before it
// goes to `tete`, the rest (separator removed) stays in `reste`. With no
// separator the whole input is the head and the rest is empty. Seeds join
// their texts this way, so that the fuzzer mutates each text in place.
inline std::string_view couper(std::string_view& reste, std::string_view separateur) {
  const std::size_t i = reste.find(separateur);
  const std::string_view tete = reste.substr(0, i);
  reste = i == std::string_view::npos ? std::string_view() : reste.substr(i + separateur.size());
  return tete;
}

inline constexpr std::string_view kSeparateur = "\n%%%%\n";

// The state the settings file's reader makes of `source`, and its count of
// labels. A missing key counts as empty here (the batch run itself stops on
// it, which a unit test covers), and no [fichiers] donnees as labels typed in
// the file.
inline std::unique_ptr<Etat> lire_reglages(const SourceReglages& source, int& nombre) {
  auto st = std::make_unique<Etat>();
  LectureReglages lu{*st};
  st->inputfile = kEcran;
  st->ALECRAN = 1;
  (void)lit_reglages(lu, source);
  nombre = lu.nombre;
  return st;
}

}  // namespace vign::fuzz
