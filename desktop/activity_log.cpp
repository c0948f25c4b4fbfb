#include "desktop/activity_log.h"

#include <QDateTime>
#include <QFile>
#include <QStringDecoder>

#include "desktop/global_settings.h"
#include "desktop/log_time_stamp.h"

namespace tabulox {

namespace {

void AppendUtf16Le(QByteArray& out, const QString& text) {
  for (const QChar c : text) {
    out.append(static_cast<char>(c.unicode() & 0xFF));
    out.append(static_cast<char>(c.unicode() >> 8));
  }
}

}  // namespace

QString LogFilePath() { return ConfigDir() + QStringLiteral("tbulxact.log"); }

void WriteLog(const QString& message) {
  if (GlobalSettings().loggingOff) return;
  EnsureConfigDir();
  const QString path = LogFilePath();
  QFile file(path);
  const bool exists = file.exists();
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
    throw LogWriteError("Cannot open file " + path.toStdString());
  }
  QByteArray bytes;
  if (!exists) bytes.append("\xFF\xFE", 2);
  // The stamp is built as locale text and widened, the message joined as it is.
  const QByteArray prefix =
      (u'[' + LogTimeStamp(QDateTime::currentDateTime()) +
       QStringLiteral("]: "))
          .toLocal8Bit();
  AppendUtf16Le(bytes, QString::fromLocal8Bit(prefix) + message + QStringLiteral("\r\n"));
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    throw LogWriteError("Cannot write file " + path.toStdString());
  }
}

QString DecodeLogText(const QByteArray& bytes) {
  QString text;
  if (bytes.startsWith("\xFF\xFE")) {
    text = QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
  } else if (bytes.startsWith("\xFE\xFF")) {
    text = QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
  } else if (bytes.startsWith("\xEF\xBB\xBF")) {
    text = QString::fromUtf8(bytes.mid(3));
  } else {
    text = QString::fromLocal8Bit(bytes);
  }
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  return text;
}

QByteArray EncodeLogExport(const QString& text) {
  QString crlf = text;
  crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  QByteArray out("\xFF\xFE", 2);
  AppendUtf16Le(out, crlf);
  return out;
}

}  // namespace tabulox
