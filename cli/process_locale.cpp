#include "cli/process_locale.h"

#include <clocale>
#include <cstdlib>
#include <string_view>

namespace tabulox::cli {

namespace {

// The variable of a category the engine reads; none for the others.
const char* CategoryVariable(int category) {
  switch (category) {
    case LC_CTYPE: return "LC_CTYPE";
    case LC_NUMERIC: return "LC_NUMERIC";
    case LC_TIME: return "LC_TIME";
    case LC_MONETARY: return "LC_MONETARY";
    default: return nullptr;
  }
}

// The variable's value when it is set and not empty.
const char* SetValue(const char* variable) {
  if (variable == nullptr) return nullptr;
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// The C and POSIX locales and their variants such as C.UTF-8 (and an empty
// name) give no conventions of their own: the C locale the program starts in
// gives the engine the same.
bool IsNeutralLocaleName(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

}  // namespace

std::string EnvironmentLocaleName(int category) {
  for (const char* variable : {"LC_ALL", CategoryVariable(category), "LANG"}) {
    if (const char* value = SetValue(variable)) return value;
  }
  return {};
}

void AdoptEnvironmentLocale() {
  for (const int category : {LC_CTYPE, LC_NUMERIC, LC_TIME, LC_MONETARY}) {
    if (!IsNeutralLocaleName(EnvironmentLocaleName(category))) std::setlocale(category, "");
  }
}

}  // namespace tabulox::cli
