#include "job_file.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include "global_settings.h"

namespace tabulox {

namespace {

enum class JobForm { Unicode, Ansi };

// One text: its byte count, then UTF-16LE units or 8-bit text in the locale's
// code page (cut at its first NUL). False when the file ends within it.
bool ReadText(QDataStream& in, JobForm form, QString& text) {
  quint16 length = 0;
  in >> length;
  QByteArray bytes(length, Qt::Uninitialized);
  if (in.status() != QDataStream::Ok || in.readRawData(bytes.data(), length) != length) return false;
  if (form == JobForm::Unicode) {
    text = QString(static_cast<qsizetype>(length / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
      text[i] = QChar(qFromLittleEndian<char16_t>(bytes.constData() + 2 * i));
    }
  } else {
    text = QString::fromLocal8Bit(bytes.constData(), static_cast<qsizetype>(qstrnlen(bytes.constData(), length)));
  }
  return true;
}

void AppendU16(QByteArray& out, std::uint16_t value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>(value >> 8));
}

void AppendText(QByteArray& out, const QString& text) {
  const QString cut = text.left(kMaxJobTextUnits);
  AppendU16(out, static_cast<std::uint16_t>(cut.size() * 2));
  for (const QChar c : cut) AppendU16(out, c.unicode());
}

}  // namespace

QString JobFilePath() { return ConfigDir() + QStringLiteral("Tabulox.job"); }

std::optional<std::vector<JobRow>> LoadJobFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  const QByteArray marker = bytes.left(3);
  JobForm form;
  if (marker == "LFW") form = JobForm::Unicode;
  else if (marker == "LVF") form = JobForm::Ansi;
  else return std::nullopt;

  std::vector<JobRow> rows;
  QDataStream in(bytes);
  in.setByteOrder(QDataStream::LittleEndian);
  in.skipRawData(3);
  quint16 rowCount = 0;
  in >> rowCount;
  // A short file keeps the rows read whole so far.
  for (quint16 r = 0; r < rowCount && in.status() == QDataStream::Ok; ++r) {
    JobRow row;
    quint16 subItemCount = 0;
    quint32 state = 0;
    in >> subItemCount >> state;
    row.state = static_cast<std::int32_t>(state);
    bool whole = in.status() == QDataStream::Ok && ReadText(in, form, row.caption);
    for (quint16 i = 0; whole && i < subItemCount; ++i) {
      QString text;
      whole = ReadText(in, form, text);
      row.subItems << text;
    }
    if (!whole) break;
    rows.push_back(std::move(row));
  }
  return rows;
}

QByteArray EncodeJobFile(const std::vector<JobRow>& rows) {
  const std::size_t count = std::min(rows.size(), kMaxJobRows);
  QByteArray out("LFW");
  AppendU16(out, static_cast<std::uint16_t>(count));
  for (std::size_t r = 0; r < count; ++r) {
    const JobRow& row = rows[r];
    const auto subItems = std::min<qsizetype>(row.subItems.size(), 0xFFFF);
    AppendU16(out, static_cast<std::uint16_t>(subItems));
    const auto state = static_cast<std::uint32_t>(row.state);
    AppendU16(out, static_cast<std::uint16_t>(state & 0xFFFF));
    AppendU16(out, static_cast<std::uint16_t>(state >> 16));
    AppendText(out, row.caption);
    for (qsizetype i = 0; i < subItems; ++i) AppendText(out, row.subItems[i]);
  }
  return out;
}

bool SaveJobFile(const QString& path, const std::vector<JobRow>& rows) {
  const QByteArray bytes = EncodeJobFile(rows);
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

}  // namespace tabulox
