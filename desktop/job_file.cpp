#include "desktop/job_file.h"

#include <QFile>

#include "core/byte_reader.h"
#include "desktop/global_settings.h"
#include "destination/atomic_file.h"

namespace tabulox {

namespace {

enum class JobForm { kShort, kLong, kAnsi };

// The form's counts and lengths: 16 bits, 32 bits in "LFX".
std::uint32_t ReadCount(ByteReader& in, JobForm form) {
  return form == JobForm::kLong ? in.u32le() : in.u16le();
}

// One text: its byte count, then UTF-16LE units or 8-bit text in the locale's
// code page (cut at its first NUL). An odd byte count of UTF-16 is damage.
QString ReadText(ByteReader& in, JobForm form) {
  const std::uint32_t length = ReadCount(in, form);
  const std::span<const std::uint8_t> bytes = in.bytes(length);
  const auto* chars = reinterpret_cast<const char*>(bytes.data());
  if (form == JobForm::kAnsi) {
    return QString::fromLocal8Bit(chars, static_cast<qsizetype>(qstrnlen(chars, length)));
  }
  if (length % 2 != 0) throw ExtractionError("odd UTF-16 length");
  QString text(static_cast<qsizetype>(length / 2), Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i) text[i] = QChar(LoadU16le(bytes, static_cast<std::size_t>(2 * i)));
  return text;
}

JobRow ReadRow(ByteReader& in, JobForm form) {
  JobRow row;
  const std::uint32_t subItemCount = ReadCount(in, form);
  row.state = static_cast<std::int32_t>(in.u32le());
  row.caption = ReadText(in, form);
  // Each sub-item takes at least its length field, so a forged count ends at the data's end.
  for (std::uint32_t i = 0; i < subItemCount; ++i) row.subItems << ReadText(in, form);
  return row;
}

void AppendU16(QByteArray& out, std::uint32_t value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

void AppendU32(QByteArray& out, std::uint32_t value) {
  AppendU16(out, value & 0xFFFF);
  AppendU16(out, value >> 16);
}

void AppendCount(QByteArray& out, JobForm form, std::size_t value) {
  if (form == JobForm::kLong) AppendU32(out, static_cast<std::uint32_t>(value));
  else AppendU16(out, static_cast<std::uint32_t>(value));
}

void AppendText(QByteArray& out, JobForm form, const QString& text) {
  AppendCount(out, form, static_cast<std::size_t>(text.size()) * 2);
  for (const QChar c : text) AppendU16(out, c.unicode());
}

bool FitsShortForm(const std::vector<JobRow>& rows) {
  if (rows.size() > kMaxShortFormRows) return false;
  for (const JobRow& row : rows) {
    if (row.caption.size() > kMaxShortFormTextUnits || row.subItems.size() > 0xFFFF) return false;
    for (const QString& text : row.subItems) {
      if (text.size() > kMaxShortFormTextUnits) return false;
    }
  }
  return true;
}

}  // namespace

QString JobFilePath() { return ConfigDir() + QStringLiteral("Tabulox.job"); }

std::int64_t JobFileContents::unreadRows() const {
  if (savedRows < 0) return -1;
  return std::max<std::int64_t>(savedRows - static_cast<std::int64_t>(rows.size()), 0);
}

std::optional<JobFileContents> LoadJobFile(const QString& path) {
  QFile file(path);
  if (!file.exists()) return std::nullopt;
  JobFileContents contents;
  contents.damaged = true;  // until read to its end
  if (!file.open(QIODevice::ReadOnly)) return contents;
  const QByteArray bytes = file.readAll();
  const QByteArray marker = bytes.left(3);
  JobForm form;
  if (marker == "LFW") form = JobForm::kShort;
  else if (marker == "LFX") form = JobForm::kLong;
  else if (marker == "LVF") form = JobForm::kAnsi;
  else return contents;

  ByteReader in(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size())));
  try {
    in.skip(3);
    contents.savedRows = ReadCount(in, form);
    for (std::int64_t r = 0; r < contents.savedRows; ++r) contents.rows.push_back(ReadRow(in, form));
    contents.damaged = !in.atEnd();
  } catch (const ExtractionError&) {
    // The rows read whole so far stay.
  }
  return contents;
}

QByteArray EncodeJobFile(const std::vector<JobRow>& rows) {
  const JobForm form = FitsShortForm(rows) ? JobForm::kShort : JobForm::kLong;
  QByteArray out(form == JobForm::kShort ? "LFW" : "LFX");
  AppendCount(out, form, rows.size());
  for (const JobRow& row : rows) {
    AppendCount(out, form, static_cast<std::size_t>(row.subItems.size()));
    AppendU32(out, static_cast<std::uint32_t>(row.state));
    AppendText(out, form, row.caption);
    for (const QString& text : row.subItems) AppendText(out, form, text);
  }
  return out;
}

bool SaveJobFile(const QString& path, const std::vector<JobRow>& rows) {
  const QByteArray bytes = EncodeJobFile(rows);
  return WriteFileAtomically(QFile::encodeName(path).toStdString(),
                             std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                             ExistingDestination::kReplace) == AtomicWriteResult::kOk;
}

QString DamagedJobFileMessage(const QString& path, const JobFileContents& contents, const QString& keptAs) {
  QString text = QStringLiteral("The saved file list %1 is damaged: ").arg(path);
  const std::int64_t unread = contents.unreadRows();
  if (unread > 0) {
    text += QStringLiteral("%1 of %2 saved rows could not be read").arg(unread).arg(contents.savedRows);
  } else if (unread == 0) {
    text += QStringLiteral("all %1 saved rows were read, but the file holds more than they").arg(contents.savedRows);
  } else {
    text += QStringLiteral("its rows could not be read");
  }
  text += contents.rows.empty() ? QStringLiteral(". ")
                                : QStringLiteral("; the list shows the %1 read. ").arg(contents.rows.size());
  if (!keptAs.isEmpty()) return text + QStringLiteral("The damaged file is kept as %1.").arg(keptAs);
  return text + QStringLiteral("It could not be kept under another name, so the list is not saved over it.");
}

}  // namespace tabulox
