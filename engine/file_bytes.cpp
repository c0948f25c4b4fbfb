#include "file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "large_pages.h"

namespace tabulox {

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

ResultCode ReadFileBytes(const std::string& path, FileBytes& bytes) {
  if (!FileExists(path)) return kSourceMissing;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? kSourceMissing : kSourceOpenFailed;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return kSourceOpenFailed;
  }
  bytes.clear();
  ReserveLarge(bytes, static_cast<std::size_t>(st.st_size), Filling::kWhole);
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  // Reads to the size stat gave, then probes for bytes beyond it through a
  // small buffer, so that a file of unchanged size is read with one
  // allocation and no copy.
  std::uint8_t probe[4096];
  for (;;) {
    const bool full = done == bytes.size();
    std::uint8_t* target = full ? probe : bytes.data() + done;
    const std::size_t room = full ? sizeof probe : bytes.size() - done;
    const ssize_t n = ::read(fd, target, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return kSourceOpenFailed;
    }
    if (n == 0) break;
    if (full) bytes.insert(bytes.end(), probe, probe + n);  // the file grew
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return 0;
}

}  // namespace tabulox
