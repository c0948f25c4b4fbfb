// The ZIP reader: member list from an archive in memory, then every member
// extracted by name.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "support/member_extract.h"
#include "zip/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  ZipArchive zip;
  try {
    zip.OpenBuffer(std::span<const std::uint8_t>(data, size));
    std::vector<std::string> names;
    for (const ZipMember& member : zip.Members()) names.push_back(member.FullName());
    for (const std::string& name : names) {
      std::string out;
      try {
        ExtractMember(zip, out, name);
      } catch (const ZipTruncatedError&) {
      }
    }
  } catch (const ZipFormatError&) {
  } catch (const ZipOpenError&) {
  }
  return 0;
}
