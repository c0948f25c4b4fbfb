#include "desktop/instance_client.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <sys/stat.h>
#include <unistd.h>

#include "desktop/instance_channel.h"
#include "desktop/private_folder.h"

namespace tabulox {
namespace {

// The next byte from `socket`, or 0 when none came in time.
char ReceiveByte(QLocalSocket& socket, const QDeadlineTimer& deadline) {
  while (socket.bytesAvailable() == 0) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return 0;
  }
  char answer = 0;
  return socket.getChar(&answer) ? answer : 0;
}

// A socket of this user at `name` in a private folder, looked at without
// following a link.
HandOverResult CheckSocketFile(const QString& name) {
  const PrivateFolderStatus folder = CheckPrivateFolder(QFileInfo(name).path());
  if (folder == PrivateFolderStatus::kMissing) return HandOverResult::kNotListening;
  if (folder != PrivateFolderStatus::kPrivate) return HandOverResult::kNotSafe;
  struct stat st {};
  if (::lstat(QFile::encodeName(name).constData(), &st) != 0) return HandOverResult::kNotListening;
  if (!S_ISSOCK(st.st_mode) || st.st_uid != ::getuid()) return HandOverResult::kNotSafe;
  return HandOverResult::kHandedOver;
}

}  // namespace

HandOverResult HandOverToRunningInstance(const QString& name, const StartPaths& paths, int timeoutMs) {
  if (const HandOverResult check = CheckSocketFile(name); check != HandOverResult::kHandedOver) return check;

  const QByteArray message = EncodeStartMessage(paths);
  if (message.size() > kMaxStartMessageBytes) return HandOverResult::kRefused;

  const QDeadlineTimer deadline(timeoutMs);
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeoutMs)) {
    return socket.error() == QLocalSocket::SocketTimeoutError ? HandOverResult::kNoAnswer
                                                              : HandOverResult::kNotListening;
  }
  if (!PeerIsThisUser(socket.socketDescriptor())) return HandOverResult::kNotSafe;
  const char greeting = ReceiveByte(socket, deadline);
  if (greeting == kInstanceBusy) return HandOverResult::kRefused;
  if (greeting != kInstanceReady) {
    // A connection the program closed unanswered: it is ending, or was never there.
    return socket.state() == QLocalSocket::UnconnectedState && !deadline.hasExpired()
               ? HandOverResult::kNotListening
               : HandOverResult::kNoAnswer;
  }
  socket.write(message);
  while (socket.bytesToWrite() > 0) {
    if (deadline.hasExpired() || !socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
      return HandOverResult::kNoAnswer;
    }
  }
  switch (ReceiveByte(socket, deadline)) {
    case kInstanceAccepted:
      return HandOverResult::kHandedOver;
    case kInstanceBusy:
      return HandOverResult::kRefused;
    default:
      return HandOverResult::kNoAnswer;
  }
}

}  // namespace tabulox
