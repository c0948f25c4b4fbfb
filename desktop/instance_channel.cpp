#include "desktop/instance_channel.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <sys/socket.h>
#include <unistd.h>

#include "desktop/global_settings.h"
#include "desktop/private_folder.h"

namespace tabulox {
namespace {

constexpr quint32 kMagic = 0x54424C58;  // "TBLX"
constexpr quint32 kVersion = 1;
// Fixed, so that both sides agree on how a byte array is written.
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

void WriteList(QDataStream& out, const QStringList& list) {
  out << static_cast<quint32>(list.size());
  for (const QString& path : list) out << path.toUtf8();  // QByteArray: 32-bit length, then the bytes
}

// Reads a list written by WriteList, path by path: a forged count ends at the
// first path the message does not hold (QDataStream's own list reading
// would reserve room for the whole count first).
bool ReadList(QDataStream& in, QStringList& list) {
  quint32 count = 0;
  in >> count;
  if (in.status() != QDataStream::Ok) return false;
  for (quint32 i = 0; i < count; ++i) {
    QByteArray path;
    in >> path;  // Qt reads a long block in steps, never beyond the data present
    if (in.status() != QDataStream::Ok) return false;
    list << QString::fromUtf8(path);
  }
  return true;
}

}  // namespace

QString InstanceSocketFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && !QDir::isRelativePath(runtime) &&
      CheckPrivateFolder(runtime) == PrivateFolderStatus::kPrivate) {
    return QDir::cleanPath(runtime);
  }
  return QDir::tempPath() + QStringLiteral("/Tabulox-") + QString::number(::getuid());
}

bool PeerIsThisUser(qintptr socketDescriptor) {
  ucred peer{};
  socklen_t length = sizeof peer;
  return ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
         length == sizeof peer && peer.uid == ::getuid();
}

QString InstanceServerName() {
  const QString folder = InstanceSocketFolder();
  const QByteArray key =
      QByteArray::number(static_cast<qulonglong>(getuid())) + '\n' + QDir::cleanPath(ConfigDir()).toUtf8();
  const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16);
  return WithTrailingSlash(folder) + QStringLiteral("Tabulox-") + QString::fromLatin1(hash) + QStringLiteral(".sock");
}

QByteArray EncodeStartMessage(const StartPaths& paths) {
  QByteArray body;
  {
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    WriteList(out, paths.files);
    WriteList(out, paths.folders);
  }
  QByteArray message;
  QDataStream out(&message, QIODevice::WriteOnly);
  out.setVersion(kStreamVersion);
  out << kMagic << kVersion << static_cast<quint32>(body.size());
  message += body;
  return message;
}

StartMessageStatus DecodeStartMessage(const QByteArray& bytes, StartPaths& paths) {
  QDataStream in(bytes);
  in.setVersion(kStreamVersion);
  quint32 magic = 0;
  in >> magic;
  if (in.status() != QDataStream::Ok) {
    // Fewer than four bytes: they must at least begin the magic.
    QByteArray magicBytes;
    QDataStream(&magicBytes, QIODevice::WriteOnly) << kMagic;
    return magicBytes.startsWith(bytes) ? StartMessageStatus::kIncomplete : StartMessageStatus::kInvalid;
  }
  if (magic != kMagic) return StartMessageStatus::kInvalid;
  quint32 version = 0;
  quint32 bodyBytes = 0;
  in >> version;
  if (in.status() == QDataStream::Ok && version != kVersion) return StartMessageStatus::kInvalid;
  in >> bodyBytes;
  if (in.status() != QDataStream::Ok) return StartMessageStatus::kIncomplete;
  if (bodyBytes > kMaxStartMessageBytes - kStartMessageHeaderBytes) return StartMessageStatus::kInvalid;
  const qsizetype total = kStartMessageHeaderBytes + bodyBytes;
  if (bytes.size() < total) return StartMessageStatus::kIncomplete;
  if (bytes.size() > total) return StartMessageStatus::kInvalid;  // one message per connection

  StartPaths read;
  if (!ReadList(in, read.files) || !ReadList(in, read.folders) || !in.atEnd()) {
    return StartMessageStatus::kInvalid;
  }
  paths = read;
  return StartMessageStatus::kComplete;
}

}  // namespace tabulox
