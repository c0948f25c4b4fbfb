// Reads every member of one name whole, as tests and harnesses look at it;
// conversions read members block by block (ZipArchive::OpenMember).
#pragma once

#include <string>
#include <string_view>

#include "zip/zip_archive.h"

namespace tabulox {

// Appends the members' bytes to `out` and returns how many of them were
// extracted whole with a matching CRC-32.
inline int ExtractMember(ZipArchive& archive, std::string& out, std::string_view name) {
  MemberReader member = archive.OpenMember(name);
  while (member.Next(out)) {
  }
  return member.Extracted();
}

}  // namespace tabulox
