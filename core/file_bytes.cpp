#include "core/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tabulox {

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// Reads the file from its start into `bytes` until it is full or the file
// ends. Gives the bytes read, or -1 when reading fails.
ssize_t ReadUpToSize(int fd, FileBytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

ResultCode ReadFileStart(const std::string& path, std::size_t count, FileBytes& bytes) {
  if (!FileExists(path)) return kSourceMissing;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? kSourceMissing : kSourceOpenFailed;
  bytes.resize(count);
  const ssize_t read = ReadUpToSize(fd, bytes);
  ::close(fd);
  if (read < 0) return kSourceOpenFailed;
  bytes.resize(static_cast<std::size_t>(read));
  return 0;
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
  // What a file that keeps growing gains after it was opened is not read: the
  // size it had then bounds the time and memory a conversion takes.
  bytes.resize(static_cast<std::size_t>(st.st_size));
  const ssize_t read = ReadUpToSize(fd, bytes);
  ::close(fd);
  if (read < 0) return kSourceOpenFailed;
  bytes.resize(static_cast<std::size_t>(read));
  return 0;
}

}  // namespace tabulox
