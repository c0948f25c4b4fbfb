// Reading the members of one name block by block, with the outcome a
// conversion needs to decide whether what was read counts.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string_view>

#include "core/block_source.h"
#include "zip/zip_archive.h"

namespace tabulox {

// What reading the members of one name block by block gave.
struct MemberRead {
  int extracted = 0;         // members decoded whole with a matching CRC-32
  std::uint64_t bytes = 0;   // bytes decoded, also those the reading left unread
  std::exception_ptr error;  // raised by the reading
};

// Passes the bytes of the members named `name` to `read`, then decodes what it
// left unread, so that every member's CRC-32 is checked before its text
// counts. An error of the archive itself (ZipTruncatedError) is raised; one of
// `read` is returned, for the caller to raise only for a member that counts.
MemberRead ReadMember(ZipArchive& reader, std::string_view name,
                      const std::function<void(const BlockSource&)>& read);

}  // namespace tabulox
