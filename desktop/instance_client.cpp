#include "instance_client.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <unistd.h>

#include "instance_channel.h"

namespace tabulox {
namespace {

// True when the next byte from `socket` is `expected` and came in time.
bool ReceiveByte(QLocalSocket& socket, char expected, const QDeadlineTimer& deadline) {
  while (socket.bytesAvailable() == 0) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return false;
  }
  char answer = 0;
  return socket.getChar(&answer) && answer == expected;
}

}  // namespace

bool HandOverToRunningInstance(const QString& name, const StartPaths& paths, int timeoutMs) {
  // In a shared temporary folder another user could have made a socket of that name.
  const QFileInfo socketFile(name);
  if (!socketFile.exists() || socketFile.ownerId() != getuid()) return false;

  const QByteArray message = EncodeStartMessage(paths);
  if (message.size() > kMaxStartMessageBytes) return false;

  const QDeadlineTimer deadline(timeoutMs);
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  if (!ReceiveByte(socket, kInstanceReady, deadline)) return false;
  socket.write(message);
  while (socket.bytesToWrite() > 0) {
    if (deadline.hasExpired() || !socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
  }
  return ReceiveByte(socket, kInstanceAccepted, deadline);
}

}  // namespace tabulox
