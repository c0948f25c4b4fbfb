#include "zip/member_read.h"

#include <string>

namespace tabulox {

MemberRead ReadMember(ZipArchive& reader, std::string_view name,
                      const std::function<void(const BlockSource&)>& read) {
  MemberReader member = reader.OpenMember(name);
  MemberRead result;
  std::exception_ptr archiveError;
  const BlockSource source = [&](std::string& out) {
    const std::size_t before = out.size();
    try {
      const bool more = member.Next(out);
      result.bytes += out.size() - before;
      return more;
    } catch (...) {
      archiveError = std::current_exception();
      return false;
    }
  };
  try {
    read(source);
  } catch (...) {
    result.error = std::current_exception();
  }
  if (archiveError) std::rethrow_exception(archiveError);
  std::string rest;
  while (member.Next(rest)) {
    result.bytes += rest.size();
    rest.clear();
  }
  result.extracted = member.Extracted();
  return result;
}

}  // namespace tabulox
