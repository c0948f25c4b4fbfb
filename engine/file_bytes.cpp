#include "file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tabulox {

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

ResultCode ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  if (!FileExists(path)) return kSourceMissing;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? kSourceMissing : kSourceOpenFailed;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return kSourceOpenFailed;
  }
  bytes.clear();
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() + 65536);  // file grew
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return kSourceOpenFailed;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return 0;
}

}  // namespace tabulox
