#include "job_file.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include "byte_reader.h"
#include "global_settings.h"

namespace tabulox {

namespace {

enum class JobForm { Unicode, Ansi };

QString ReadText(ByteReader& reader, JobForm form) {
  const std::uint16_t length = reader.u16le();
  const std::span<const std::uint8_t> bytes = reader.bytes(length);
  if (form == JobForm::Unicode) {
    QString text(static_cast<qsizetype>(length / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
      const auto at = static_cast<std::size_t>(2 * i);
      text[i] = QChar(static_cast<char16_t>(bytes[at] | (bytes[at + 1] << 8)));
    }
    return text;
  }
  // 8-bit text in the locale's code page, cut at its first NUL.
  const char* chars = reinterpret_cast<const char*>(bytes.data());
  return QString::fromLocal8Bit(chars, static_cast<qsizetype>(qstrnlen(chars, length)));
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
  ByteReader reader(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size())));
  try {
    reader.skip(3);
    const std::uint16_t rowCount = reader.u16le();
    for (std::uint16_t r = 0; r < rowCount; ++r) {
      JobRow row;
      const std::uint16_t subItemCount = reader.u16le();
      row.state = static_cast<std::int32_t>(reader.u32le());
      row.caption = ReadText(reader, form);
      for (std::uint16_t i = 0; i < subItemCount; ++i) row.subItems << ReadText(reader, form);
      rows.push_back(std::move(row));
    }
  } catch (const ExtractionError&) {
    // A short file: keep the rows read whole so far.
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
