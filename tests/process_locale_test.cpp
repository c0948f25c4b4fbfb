#include "cli/process_locale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tabulox::cli {
namespace {

// Sets the locale variables for one test and puts back what was there, and
// the process locale with them.
class LocaleEnvironment : public ::testing::Test {
 protected:
  static constexpr const char* kVariables[] = {"LC_ALL",  "LC_CTYPE",    "LC_NUMERIC",
                                               "LC_TIME", "LC_MONETARY", "LANG"};

  void SetUp() override {
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.push_back(value == nullptr ? std::nullopt : std::optional<std::string>(value));
      ::unsetenv(name);
    }
    savedLocale_ = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(kVariables); ++i) {
      if (saved_[i])
        ::setenv(kVariables[i], saved_[i]->c_str(), 1);
      else
        ::unsetenv(kVariables[i]);
    }
    std::setlocale(LC_ALL, savedLocale_.c_str());
  }

  static std::string Current(int category) { return std::setlocale(category, nullptr); }

 private:
  std::vector<std::optional<std::string>> saved_;
  std::string savedLocale_;
};

TEST_F(LocaleEnvironment, NamesComeFromLcAllThenTheCategoryThenLang) {
  EXPECT_EQ(EnvironmentLocaleName(LC_NUMERIC), "");
  ::setenv("LANG", "fr_FR.UTF-8", 1);
  EXPECT_EQ(EnvironmentLocaleName(LC_NUMERIC), "fr_FR.UTF-8");
  ::setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  EXPECT_EQ(EnvironmentLocaleName(LC_NUMERIC), "de_DE.UTF-8");
  EXPECT_EQ(EnvironmentLocaleName(LC_TIME), "fr_FR.UTF-8");
  ::setenv("LC_ALL", "", 1);  // set but empty: passed over
  EXPECT_EQ(EnvironmentLocaleName(LC_NUMERIC), "de_DE.UTF-8");
  ::setenv("LC_ALL", "POSIX", 1);
  EXPECT_EQ(EnvironmentLocaleName(LC_NUMERIC), "POSIX");
  EXPECT_EQ(EnvironmentLocaleName(LC_CTYPE), "POSIX");
}

TEST_F(LocaleEnvironment, NeutralLocalesLeaveTheCategoriesInTheCLocale) {
  ::setenv("LANG", "C.UTF-8", 1);
  ::setenv("LC_TIME", "POSIX", 1);
  AdoptEnvironmentLocale();
  EXPECT_EQ(Current(LC_CTYPE), "C");
  EXPECT_EQ(Current(LC_NUMERIC), "C");
  EXPECT_EQ(Current(LC_TIME), "C");
}

// Needs a locale other than C installed; the usual build machines have one of
// these.
TEST_F(LocaleEnvironment, OtherLocalesAreTakenCategoryByCategory) {
  std::string installed;
  for (const char* name : {"de_DE.UTF-8", "en_US.UTF-8", "fr_FR.UTF-8", "en_GB.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      installed = name;
      break;
    }
  }
  std::setlocale(LC_ALL, "C");
  if (installed.empty()) GTEST_SKIP() << "no locale besides C is installed";
  ::setenv("LANG", "C.UTF-8", 1);
  ::setenv("LC_NUMERIC", installed.c_str(), 1);
  ::setenv("LC_TIME", "xx_NOWHERE.UTF-8", 1);  // not installed: stays C alone
  ::setenv("LC_MONETARY", installed.c_str(), 1);
  AdoptEnvironmentLocale();
  EXPECT_EQ(Current(LC_CTYPE), "C");
  EXPECT_EQ(Current(LC_NUMERIC), installed);
  EXPECT_EQ(Current(LC_TIME), "C");
  EXPECT_EQ(Current(LC_MONETARY), installed);
}

}  // namespace
}  // namespace tabulox::cli
