// The job file "Tabulox.job": the file list saved between program starts.
//
// Current form "LFW": marker, u16 row count, then per row u16 sub-item count,
// i32 State icon, and the caption and each sub-item as u16 byte length plus
// UTF-16LE text. Older form "LVF" (read only): the same with 8-bit strings.
// All integers little-endian.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace tabulox {

struct JobRow {
  std::int32_t state = 0;  // State icon: 0 waiting, 1 converted, 2 failed
  QString caption;
  QStringList subItems;  // Name, Source file, Size(Byte), Type, Target file, Convert Message
};

// The format stores counts and byte lengths in 16 bits.
inline constexpr std::size_t kMaxJobRows = 0xFFFF;
inline constexpr qsizetype kMaxJobTextUnits = 0x7FFF;

// ConfigDir() + "Tabulox.job".
QString JobFilePath();

// The rows of a job file, or nothing when no file exists at `path` or its
// marker is neither "LFW" nor "LVF" (the list then stays as it is). A
// truncated or damaged file yields the rows that were read whole before the
// damage.
std::optional<std::vector<JobRow>> LoadJobFile(const QString& path);

// The job file bytes of `rows` in the "LFW" form. Rows past kMaxJobRows are
// left out, texts are cut to kMaxJobTextUnits code units.
QByteArray EncodeJobFile(const std::vector<JobRow>& rows);

// Writes EncodeJobFile(rows) through a temporary file renamed into place, so
// a failed write leaves the previous file whole. False on failure.
bool SaveJobFile(const QString& path, const std::vector<JobRow>& rows);

}  // namespace tabulox
