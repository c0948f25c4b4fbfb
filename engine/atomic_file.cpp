#include "atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tabulox {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The permissions a newly created file gets from the process umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

AtomicWriteResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return AtomicWriteResult::kCreateFailed;
  std::string pattern = path + ".tmpXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return AtomicWriteResult::kCreateFailed;
  const std::string tempPath(name.data());

  bool ok = ::fchmod(fd, NewFileMode()) == 0;
  ok = ok && WriteAll(fd, bytes);
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(tempPath.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tempPath.c_str());
    return AtomicWriteResult::kWriteFailed;
  }
  return AtomicWriteResult::kOk;
}

}  // namespace tabulox
