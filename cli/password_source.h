// Where the console program takes the password of an encrypted workbook
// from: a file named by "--password-file", else the environment variable
// TABULOX_PASSWORD. Never the command line itself, which other users of the
// machine can read.
#pragma once

#include <optional>
#include <string>

namespace tabulox::cli {

inline constexpr const char* kPasswordVariable = "TABULOX_PASSWORD";

// The first line of the file at `path`, without its line end (LF or CR LF);
// std::nullopt when the file cannot be read. An empty file gives the empty
// password.
std::optional<std::string> ReadPasswordFile(const std::string& path);

// The value of TABULOX_PASSWORD; std::nullopt when it is not set or empty.
std::optional<std::string> PasswordFromEnvironment();

}  // namespace tabulox::cli
