#include "cli/password_source.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tabulox::cli {
namespace {

// A password file holds one line; more than this is not a password file
// (and is not read on without end).
constexpr std::size_t kMaxPasswordLineBytes = 64 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::optional<std::string> ReadPasswordFile(const std::string& path) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  std::string line;
  int c;
  while ((c = std::fgetc(file.get())) != EOF && c != '\n') {
    if (line.size() == kMaxPasswordLineBytes) return std::nullopt;
    line.push_back(static_cast<char>(c));
  }
  if (std::ferror(file.get())) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> PasswordFromEnvironment() {
  const char* value = std::getenv(kPasswordVariable);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

}  // namespace tabulox::cli
