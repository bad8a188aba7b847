#include "core/arguments.h"

#include <string_view>

#include "core/nombres.h"

namespace vign {

void lire_arguments(Etat& st, std::span<const char* const> args) {
  st.formatfile.reset();
  st.inifile.reset();
  st.writefile.reset();
  // args[0] is the program name; the value of args[k-1] is args[k], absent
  // for the last argument.
  for (std::size_t k = args.size(); k >= 1; --k) {
    const std::string_view option = args[k - 1] != nullptr ? args[k - 1] : "";
    const char* brut = k < args.size() ? args[k] : nullptr;
    std::optional<std::string> valeur;
    if (brut != nullptr) valeur = brut;
    if (option == "-l") {
      st.inifile = valeur;
    } else if (option == "-f") {
      st.formatfile = valeur;
    } else if (option == "-d") {
      const int d = valeur ? entier(*valeur) : 0;
      st.deplacement = d > 0 ? d : 0;
    } else if (option == "-e") {
      st.writefile = valeur;
    }
  }
}

}  // namespace vign
