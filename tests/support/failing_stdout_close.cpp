// Preloaded into a program under test: closing standard output fails with EIO
// after the stream is closed, as on a file system that reports a deferred
// write error only at close.
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>

extern "C" int fclose(FILE* stream) {
  using Close = int (*)(FILE*);
  static const auto realClose = reinterpret_cast<Close>(dlsym(RTLD_NEXT, "fclose"));
  const bool isStdout = stream == stdout;
  const int result = realClose(stream);
  if (!isStdout) return result;
  errno = EIO;
  return EOF;
}
