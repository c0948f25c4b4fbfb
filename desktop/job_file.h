// The job file "Tabulox.job": the file list saved between program starts.
//
// Form "LFW": marker, u16 row count, then per row u16 sub-item count, i32
// State icon, and the caption and each sub-item as u16 byte length plus
// UTF-16LE text. Form "LFX", for lists that "LFW" cannot hold (more than
// 65,535 rows, a text longer than 32,767 units): the same with u32 counts and
// lengths. Older form "LVF" (read only): "LFW" with 8-bit strings. All
// integers little-endian. docs/desktop.md describes the forms.
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

// What "LFW" holds; a list past either is written in the "LFX" form.
inline constexpr std::size_t kMaxShortFormRows = 0xFFFF;
inline constexpr qsizetype kMaxShortFormTextUnits = 0x7FFF;

// ConfigDir() + "Tabulox.job".
QString JobFilePath();

struct JobFileContents {
  std::vector<JobRow> rows;  // the rows read whole, in file order
  // The file holds more than `rows`: it ends inside a row, has bytes after
  // the last one, or is no job file at all (another marker, too short).
  bool damaged = false;
  // The row count the file gives; -1 when not even that can be read.
  std::int64_t savedRows = -1;

  // Rows the file gave but that could not be read; -1 when unknown.
  std::int64_t unreadRows() const;
};

// The rows of the job file at `path`, or nothing when no file is there.
// Never reads past the file's bytes, and allocates in proportion to them.
std::optional<JobFileContents> LoadJobFile(const QString& path);

// The job file bytes of `rows`: "LFW" when the list fits, else "LFX".
QByteArray EncodeJobFile(const std::vector<JobRow>& rows);

// Writes EncodeJobFile(rows) through a temporary file renamed into place
// (destination/atomic_file.h), so a failed write leaves the previous file
// whole. False on failure.
bool SaveJobFile(const QString& path, const std::vector<JobRow>& rows);

// What the user is told about a damaged job file at `path`: how many saved
// rows could not be read, and `keptAs`, the damaged file's new name, or,
// when empty, that it could not be kept and is not saved over.
QString DamagedJobFileMessage(const QString& path, const JobFileContents& contents, const QString& keptAs);

}  // namespace tabulox
