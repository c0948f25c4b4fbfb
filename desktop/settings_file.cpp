#include "desktop/settings_file.h"

#include <QFile>
#include <QMap>
#include <QStringList>
#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "desktop/damaged_file.h"
#include "desktop/file_types.h"
#include "destination/atomic_file.h"

namespace tabulox {

namespace {

const QString kSection = QStringLiteral("general");

struct KeyValue {
  QString key;
  QString value;
};

// The Add Dir tick of each entry of kFileTypes, in table order. The keys of
// .xls and .xlsx are the file's first two; the others came with their types.
constexpr std::array<const char*, kFileTypeCount> kScanKeys = {
    "selext1", "selxlt", "selext2", "selxlsm", "selxltx", "selxltm", "selxlsb", "selods", "selots", "selfods"};
static_assert(kFileTypes[0].type == FileType::kXls && kFileTypes[2].type == FileType::kXlsx);

// The keys in the order they are written. Keys of the file that no setting
// reads ("targetcode", "pagebreak", "textorder", "keepraw" of older programs)
// stay in it as they are.
std::vector<KeyValue> ToKeyValues(const ProgramSettings& s) {
  const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
  std::vector<KeyValue> values = {
      {"samedir", flag(s.targetBesideSource)},
      {"targetdir", s.targetFolder},
      {"adddir", s.addFolders},
      {"fileovertp", QString::number(s.overwritePolicy)},
      {"sourcecode", QString::number(s.outputCodePage)},  // the output's code page
      {"userfileext1", s.xlsExtraPatterns},
      {"userfileext2", s.xlsxExtraPatterns},
  };
  for (std::size_t i = 0; i < kFileTypeCount; ++i) values.push_back({kScanKeys[i], flag(s.scannedTypes[i])});
  values.push_back({"recursive", flag(s.recurseFolders)});
  values.push_back({"notlog", flag(s.loggingOff)});
  values.push_back({"layout", QString::number(static_cast<int>(s.layout))});
  values.push_back({"separator", flag(s.commaSeparated)});
  values.push_back({"sheetfiles", flag(s.filePerSheet)});
  values.push_back({"skiphidden", flag(s.leaveHiddenOut)});
  return values;
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
  settings.targetFolder = DocumentsFolderPath();
  settings.addFolders = DocumentsFolderPath();
  BuildTypeList(settings);
  return settings;
}

void ReadSettingsFile(const QString& path, ProgramSettings& s) {
  s = DefaultSettings();
  const SectionReader reader(path);
  reader.Read("samedir", s.targetBesideSource);
  reader.Read("targetdir", s.targetFolder);
  reader.Read("adddir", s.addFolders);
  reader.Read("fileovertp", s.overwritePolicy);
  reader.Read("sourcecode", s.outputCodePage);
  reader.Read("userfileext1", s.xlsExtraPatterns);
  reader.Read("userfileext2", s.xlsxExtraPatterns);
  for (std::size_t i = 0; i < kFileTypeCount; ++i) {
    bool ticked = s.scannedTypes[i];
    reader.Read(kScanKeys[i], ticked);
    s.scannedTypes[i] = ticked;
  }
  reader.Read("recursive", s.recurseFolders);
  reader.Read("notlog", s.loggingOff);
  // Another number than the as-shown layout's is the layout of today.
  std::int32_t layout = 0;
  reader.Read("layout", layout);
  s.layout = layout == static_cast<int>(OutputLayout::kAsShown) ? OutputLayout::kAsShown : OutputLayout::kAsToday;
  reader.Read("separator", s.commaSeparated);
  reader.Read("sheetfiles", s.filePerSheet);
  reader.Read("skiphidden", s.leaveHiddenOut);
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
