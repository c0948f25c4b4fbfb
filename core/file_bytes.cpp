#include "file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "second_thread.h"

namespace tabulox {

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// Files of this size or more are read in two halves at once: copying a file
// out of the page cache costs about a millisecond per 4 MB, and a second
// thread takes half of it.
constexpr std::size_t kBytesForTwoReads = std::size_t{4} << 20;

// Reads the file's bytes from `offset` into `target` until `count` are in or
// the file ends. Gives the bytes read, or -1 when reading fails.
ssize_t ReadAt(int fd, std::uint8_t* target, std::size_t count, std::size_t offset) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, target + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// Reads the first `bytes.size()` bytes of the file into `bytes`, the later half
// on a second thread when the file is large. Gives the bytes read (fewer when
// the file has shrunk since), or -1.
ssize_t ReadExpectedBytes(int fd, FileBytes& bytes) {
  const std::size_t size = bytes.size();
  if (size < kBytesForTwoReads) return ReadAt(fd, bytes.data(), size, 0);
  const std::size_t half = size / 2;
  ssize_t later = -1;
  SecondThread laterRead;
  try {
    laterRead = SecondThread([&] { later = ReadAt(fd, bytes.data() + half, size - half, half); });
  } catch (const std::system_error&) {
    return ReadAt(fd, bytes.data(), size, 0);
  }
  const ssize_t earlier = ReadAt(fd, bytes.data(), half, 0);
  laterRead.join();
  if (earlier < 0 || later < 0) return -1;
  // A file that ended within the earlier half has nothing after it.
  return static_cast<std::size_t>(earlier) < half ? earlier : earlier + later;
}

}  // namespace

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
  const auto expected = static_cast<std::size_t>(st.st_size);
  // A file read in two halves has its pages made present by the thread that
  // reads into them.
  bytes.reserve(expected);
  bytes.resize(expected);
  const ssize_t read = ReadExpectedBytes(fd, bytes);
  if (read < 0) {
    ::close(fd);
    return kSourceOpenFailed;
  }
  // What a file that keeps growing gains after it was opened is not read: the
  // size it had then bounds the time and memory a conversion takes.
  bytes.resize(static_cast<std::size_t>(read));
  ::close(fd);
  return 0;
}

}  // namespace tabulox
