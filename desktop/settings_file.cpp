#include "settings_file.h"

#include <QFile>
#include <QMap>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <vector>

#include "damaged_file.h"
#include "destination/atomic_file.h"
#include "file_types.h"

namespace tabulox {

namespace {

const QString kSection = QStringLiteral("general");

struct KeyValue {
  QString key;
  QString value;
};

// The keys in the order they are read and written.
std::vector<KeyValue> ToKeyValues(const ProgramSettings& s) {
  const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
  return {
      {"samedir", flag(s.samedir)},
      {"targetdir", s.targetdir},
      {"adddir", s.adddir},
      {"fileovertp", QString::number(s.fileovertp)},
      {"sourcecode", QString::number(s.sourcecode)},
      {"targetcode", QString::number(s.targetcode)},
      {"userfileext1", s.userfileext1},
      {"userfileext2", s.userfileext2},
      {"selext1", flag(s.selext1)},
      {"selext2", flag(s.selext2)},
      {"recursive", flag(s.recursive)},
      {"pagebreak", flag(s.pagebreak)},
      {"textorder", QString::number(s.textorder)},
      {"keepraw", QString::number(s.keepraw)},
      {"notlog", flag(s.notlog)},
  };
}

bool IsSectionLine(const QString& trimmed) {
  return trimmed.startsWith(u'[') && trimmed.contains(u']');
}

QString SectionName(const QString& trimmed) {
  return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
}

// A value cut to the first kMaxSettingsValueLength bytes, never inside a UTF-8 sequence.
QByteArray CutValue(QByteArray value) {
  if (value.size() <= kMaxSettingsValueLength) return value;
  qsizetype end = kMaxSettingsValueLength;
  while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) --end;
  value.truncate(end);
  return value;
}

// The values of section "general", first occurrence of each key winning. Keys
// and section names compare case-insensitively; blanks around them and around
// the value are dropped, and one pair of enclosing quotes is removed.
QMap<QString, QString> ReadSection(const QString& path) {
  QMap<QString, QString> values;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return values;
  bool inSection = false;
  for (QByteArray line : file.readAll().split('\n')) {
    line = line.trimmed();
    const QString text = QString::fromUtf8(line);
    if (IsSectionLine(text)) {
      inSection = SectionName(text).compare(kSection, Qt::CaseInsensitive) == 0;
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (!inSection || equals <= 0) continue;
    const QString key = QString::fromUtf8(line.left(equals).trimmed()).toLower();
    QByteArray value = line.mid(equals + 1).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.mid(1, value.size() - 2);
    }
    if (!values.contains(key)) values.insert(key, QString::fromUtf8(CutValue(value)));
  }
  return values;
}

std::optional<qint64> ParseInteger(const QString& text) {
  bool ok = false;
  const qint64 value = text.trimmed().toLongLong(&ok, 10);
  if (!ok) return std::nullopt;
  return value;
}

class SectionReader {
 public:
  explicit SectionReader(const QString& path) : values_(ReadSection(path)) {}

  void Read(const char* key, QString& field) const {
    const auto it = values_.find(QString::fromLatin1(key));
    if (it != values_.end()) field = *it;
  }
  void Read(const char* key, bool& field) const {
    if (const auto number = Number(key)) field = *number != 0;
  }
  void Read(const char* key, std::int32_t& field) const {
    if (const auto number = Number(key); number && *number >= INT32_MIN && *number <= INT32_MAX) {
      field = static_cast<std::int32_t>(*number);
    }
  }
  void Read(const char* key, std::uint8_t& field) const {
    if (const auto number = Number(key); number && *number >= 0 && *number <= UINT8_MAX) {
      field = static_cast<std::uint8_t>(*number);
    }
  }

 private:
  std::optional<qint64> Number(const char* key) const {
    const auto it = values_.find(QString::fromLatin1(key));
    if (it == values_.end()) return std::nullopt;
    return ParseInteger(*it);
  }

  QMap<QString, QString> values_;
};

}  // namespace

QString SettingsFilePath() { return ConfigDir() + QStringLiteral("Tabulox.dat"); }

ProgramSettings DefaultSettings() {
  ProgramSettings settings;
  settings.targetdir = DocumentsFolderPath();
  settings.adddir = DocumentsFolderPath();
  BuildTypeList(settings);
  return settings;
}

void ReadSettingsFile(const QString& path, ProgramSettings& s) {
  s = DefaultSettings();
  const SectionReader reader(path);
  reader.Read("samedir", s.samedir);
  reader.Read("targetdir", s.targetdir);
  reader.Read("adddir", s.adddir);
  reader.Read("fileovertp", s.fileovertp);
  reader.Read("sourcecode", s.sourcecode);
  reader.Read("targetcode", s.targetcode);
  reader.Read("userfileext1", s.userfileext1);
  reader.Read("userfileext2", s.userfileext2);
  reader.Read("selext1", s.selext1);
  reader.Read("selext2", s.selext2);
  reader.Read("recursive", s.recursive);
  reader.Read("pagebreak", s.pagebreak);
  reader.Read("textorder", s.textorder);
  reader.Read("keepraw", s.keepraw);
  reader.Read("notlog", s.notlog);
  BuildTypeList(s);
}

bool SettingsFileIsDamaged(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  return std::any_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
  });
}

QString DamagedSettingsFileMessage(const QString& path, const QString& keptAs) {
  const QString text = QStringLiteral("The settings file %1 is damaged; the default settings are used").arg(path);
  if (keptAs.isEmpty()) {
    return text + QStringLiteral(" and written over it at exit, since it could not be kept under another name.");
  }
  return text + QStringLiteral(". The damaged file is kept as %1.").arg(keptAs);
}

void WriteSettingsFile(const QString& path, const ProgramSettings& settings) {
  QStringList lines;
  if (QFile existing(path); !SettingsFileIsDamaged(path) && existing.open(QIODevice::ReadOnly)) {
    lines = QString::fromUtf8(existing.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    for (QString& line : lines) {
      if (line.endsWith(u'\r')) line.chop(1);
    }
  }

  // Locate the section; every key found in it is replaced where it stands.
  qsizetype sectionStart = -1;
  qsizetype sectionEnd = lines.size();
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString trimmed = lines[i].trimmed();
    if (!IsSectionLine(trimmed)) continue;
    if (sectionStart >= 0) {
      sectionEnd = i;
      break;
    }
    if (SectionName(trimmed).compare(kSection, Qt::CaseInsensitive) == 0) sectionStart = i;
  }
  if (sectionStart < 0) {
    lines << u'[' + kSection + u']';
    sectionStart = lines.size() - 1;
    sectionEnd = lines.size();
  }
  for (const KeyValue& entry : ToKeyValues(settings)) {
    const QString line = entry.key + u'=' + entry.value;
    bool replaced = false;
    for (qsizetype i = sectionStart + 1; i < sectionEnd && !replaced; ++i) {
      const qsizetype equals = lines[i].indexOf(u'=');
      if (equals > 0 &&
          lines[i].left(equals).trimmed().compare(entry.key, Qt::CaseInsensitive) == 0) {
        lines[i] = line;
        replaced = true;
      }
    }
    if (!replaced) {
      // Appended after the section's last non-blank line.
      qsizetype at = sectionEnd;
      while (at > sectionStart + 1 && lines[at - 1].trimmed().isEmpty()) --at;
      lines.insert(at, line);
      ++sectionEnd;
    }
  }

  const QByteArray bytes = (lines.join(u'\n') + u'\n').toUtf8();
  if (WriteFileAtomically(QFile::encodeName(path).toStdString(),
                          std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                          ExistingDestination::kReplace) != AtomicWriteResult::kOk) {
    throw SettingsWriteError("Unable to write to " + path.toStdString());
  }
}

QString LoadSettings() {
  const QString path = SettingsFilePath();
  if (!SettingsFileIsDamaged(path)) {
    ReadSettingsFile(path, GlobalSettings());
    return QString();
  }
  GlobalSettings() = DefaultSettings();
  return DamagedSettingsFileMessage(path, KeepDamagedFile(path));
}

void SaveSettings() {
  EnsureConfigDir();
  WriteSettingsFile(SettingsFilePath(), GlobalSettings());
}

}  // namespace tabulox
