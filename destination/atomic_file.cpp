#include "destination/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tabulox {
namespace {

// The temporary file a write has under way, for the signal handler: the path
// is complete before the flag is set, and the handler reads it only then.
volatile sig_atomic_t gTemporaryPending = 0;
char gTemporaryPath[PATH_MAX];

void RememberTemporary(const std::string& path) {
  gTemporaryPending = 0;
  if (path.size() >= sizeof gTemporaryPath) return;
  std::memcpy(gTemporaryPath, path.c_str(), path.size() + 1);
  gTemporaryPending = 1;
}

void ForgetTemporary() { gTemporaryPending = 0; }

extern "C" void RemoveTemporaryAndEnd(int signal) {
  if (gTemporaryPending) ::unlink(gTemporaryPath);
  ::signal(signal, SIG_DFL);
  ::raise(signal);  // delivered with the default action once the handler returns
}

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

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where a chain of symbolic links that ends at nothing points: the path a file
// created through the link gets. Empty for a chain too long or a loop.
std::string DanglingLinkTarget(std::string path) {
  constexpr int kMaxLinks = 40;  // as the kernel allows when it follows links
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> target(PATH_MAX);
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return {};
    std::string next(target.data(), static_cast<std::size_t>(n));
    path = next.front() == '/' ? next : FolderOf(path) + "/" + next;
  }
  return {};
}

// Puts the complete temporary file at `target`: over what is there when
// `mayReplace`, else only where nothing is at the moment it is put there.
AtomicWriteResult Place(const std::string& temp, const std::string& target, bool mayReplace) {
  if (mayReplace) {
    return ::rename(temp.c_str(), target.c_str()) == 0 ? AtomicWriteResult::kOk
                                                       : AtomicWriteResult::kWriteFailed;
  }
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return AtomicWriteResult::kOk;
  if (errno == EEXIST) return AtomicWriteResult::kExists;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return AtomicWriteResult::kWriteFailed;
  // A file system without the no-replace rename: a hard link fails where a name
  // exists, as the rename would have.
  if (::link(temp.c_str(), target.c_str()) == 0) {
    ::unlink(temp.c_str());
    return AtomicWriteResult::kOk;
  }
  if (errno == EEXIST) return AtomicWriteResult::kExists;
  if (errno != EPERM && errno != ENOSYS && errno != ENOTSUP) return AtomicWriteResult::kWriteFailed;
  // Nor hard links: claim the name first, then rename over our own claim.
  const int claim = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (claim < 0) return errno == EEXIST ? AtomicWriteResult::kExists : AtomicWriteResult::kWriteFailed;
  ::close(claim);
  if (::rename(temp.c_str(), target.c_str()) == 0) return AtomicWriteResult::kOk;
  ::unlink(target.c_str());
  return AtomicWriteResult::kWriteFailed;
}

// Writes `bytes` to a temporary file beside `target` and puts it in place,
// over what is there only when `mayReplace`. `replaced` is the file being
// replaced, whose permissions and owner the new one takes, or null for a new
// file.
AtomicWriteResult WriteThroughTemporary(const std::string& target, std::string_view bytes,
                                        const struct stat* replaced, bool mayReplace,
                                        const std::function<void()>& beforePlacing) {
  // A short name of its own: the destination's name may already be as long as
  // the folder allows.
  std::string pattern = FolderOf(target) + "/.tbulx-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return AtomicWriteResult::kCreateFailed;
  const std::string temp(name.data());
  RememberTemporary(temp);

  bool ok;
  if (replaced != nullptr) {
    // Owner first: changing it may clear set-user-ID bits that the mode restores.
    if (::fchown(fd, replaced->st_uid, replaced->st_gid) != 0)
      (void)!::fchown(fd, static_cast<uid_t>(-1), replaced->st_gid);
    ok = ::fchmod(fd, replaced->st_mode & 07777) == 0;
  } else {
    ok = ::fchmod(fd, NewFileMode()) == 0;
  }
  ok = ok && WriteAll(fd, bytes);
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  AtomicWriteResult result = AtomicWriteResult::kWriteFailed;
  if (ok) {
    if (beforePlacing) beforePlacing();
    result = Place(temp, target, mayReplace);
  }
  if (result != AtomicWriteResult::kOk) ::unlink(temp.c_str());
  ForgetTemporary();
  return result;
}

// A FIFO or character device takes the text as a stream, in place.
AtomicWriteResult WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return AtomicWriteResult::kCreateFailed;
  bool ok = WriteAll(fd, bytes);
  ok = (::close(fd) == 0) && ok;
  return ok ? AtomicWriteResult::kOk : AtomicWriteResult::kWriteFailed;
}

}  // namespace

bool DestinationExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

AtomicWriteResult WriteFileAtomically(const std::string& path, std::string_view bytes,
                                      ExistingDestination existing,
                                      const std::function<void()>& beforePlacing) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return AtomicWriteResult::kCreateFailed;
    return WriteThroughTemporary(path, bytes, nullptr, existing == ExistingDestination::kReplace,
                                 beforePlacing);
  }
  if (existing == ExistingDestination::kKeep) return AtomicWriteResult::kExists;

  std::string target = path;
  if (S_ISLNK(st.st_mode)) {
    if (::stat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return AtomicWriteResult::kCreateFailed;
      target = DanglingLinkTarget(path);
      if (target.empty()) return AtomicWriteResult::kCreateFailed;
      return WriteThroughTemporary(target, bytes, nullptr, true, beforePlacing);
    }
    if (S_ISREG(st.st_mode)) {
      char resolved[PATH_MAX];
      if (::realpath(path.c_str(), resolved) == nullptr) return AtomicWriteResult::kCreateFailed;
      target = resolved;
    }
  }
  if (S_ISREG(st.st_mode)) return WriteThroughTemporary(target, bytes, &st, true, beforePlacing);
  if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return WriteInPlace(path, bytes);
  return AtomicWriteResult::kCreateFailed;  // a directory, a block device, a socket
}

void RemoveTemporaryFilesOnSignals() {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace tabulox
