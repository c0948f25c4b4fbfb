// The process locale of the console program, taken from the environment.
#pragma once

#include <string>

namespace tabulox::cli {

// The locale name the environment gives a category, as setlocale(category, "")
// reads it: LC_ALL, else the category's own variable, else LANG, the first of
// them that is set and not empty; empty when none is.
std::string EnvironmentLocaleName(int category);

// Sets the categories the engine reads (the character set, numbers, dates,
// the currency symbol)
// from the environment, as setlocale(category, "") does, but leaves a category
// whose locale is a neutral one (C, POSIX, C.UTF-8) in the C locale the
// program starts in: the engine reads the same from both, and loading the
// files of C.UTF-8 costs about a millisecond of every run. Each category is
// set on its own, so one whose locale is not installed stays C without
// taking the others with it.
void AdoptEnvironmentLocale();

}  // namespace tabulox::cli
