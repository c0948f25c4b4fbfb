#include "desktop/termination_signals.h"

#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tabulox {
namespace {

// The handler only writes a byte; the event loop reads it (the self-pipe way).
int gSignalPipe[2] = {-1, -1};

// A second signal of the kind ends the program at once, should closing hang.
extern "C" void NoteTerminationSignal(int signal) {
  const int saved = errno;
  const char byte = 1;
  (void)!::write(gSignalPipe[1], &byte, 1);
  ::signal(signal, SIG_DFL);
  errno = saved;
}

}  // namespace

void CloseOnTerminationSignals(QWidget* window) {
  if (gSignalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
    char bytes[16];
    while (::read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
    }
    window->close();
  });
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = NoteTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace tabulox
