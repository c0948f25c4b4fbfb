#include "desktop/file_types.h"

#include "desktop/global_settings.h"

namespace tabulox {

QString AsciiLower(const QString& text) {
  QString lowered = text;
  for (QChar& c : lowered) {
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
  }
  return lowered;
}

const FileTypeEntry& FileTypeInfo(FileType type) { return kFileTypes[FileTypeIndex(type)]; }

std::optional<FileType> FileTypeNamed(const QString& name) {
  for (const FileTypeEntry& entry : kFileTypes) {
    if (name == QLatin1String(entry.name)) return entry.type;
  }
  return std::nullopt;
}

QString DefaultPattern(const FileTypeEntry& entry) { return u'*' + QString::fromLatin1(entry.extension); }

QString ExtraPatterns(const ProgramSettings& settings, FileType type) {
  switch (type) {
    case FileType::kXls: return settings.xlsExtraPatterns;
    case FileType::kXlsx: return settings.xlsxExtraPatterns;
    default: return {};
  }
}

QString TypePatterns(const ProgramSettings& settings, const FileTypeEntry& entry) {
  QString patterns = DefaultPattern(entry);
  const QString extra = ExtraPatterns(settings, entry.type);
  if (!extra.isEmpty()) patterns += u';' + extra;
  return patterns;
}

void BuildTypeList(ProgramSettings& settings) {
  settings.namePatterns.clear();
  for (const FileTypeEntry& entry : kFileTypes) {
    for (const QString& pattern : TypePatterns(settings, entry).split(u';', Qt::SkipEmptyParts)) {
      settings.namePatterns.push_back({AsciiLower(pattern), entry.type});
    }
  }
}

std::optional<FileType> FindFileType(const ProgramSettings& settings, const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(u'.');
  const qsizetype slash = fileName.lastIndexOf(u'/');
  if (dot <= slash) return std::nullopt;
  const QString pattern = u'*' + AsciiLower(fileName.mid(dot));
  for (const NamePattern& known : settings.namePatterns) {
    if (known.pattern == pattern) return known.type;
  }
  return std::nullopt;
}

QString TypeDisplayText(const ProgramSettings& settings, const FileTypeEntry& entry) {
  return QString::fromLatin1(entry.description) + u'(' + TypePatterns(settings, entry) + u')';
}

namespace {

// Qt separates the patterns of one filter by blanks.
QString QtPatterns(QString patterns) {
  patterns.replace(u';', u' ');
  return patterns.simplified();
}

}  // namespace

QStringList FilePickerFilters(const ProgramSettings& settings) {
  QStringList all;
  for (const NamePattern& known : settings.namePatterns) all << known.pattern;
  QStringList filters;
  filters << QStringLiteral("All Support File (%1)").arg(all.join(u' '));
  for (const FileTypeEntry& entry : kFileTypes) {
    filters << TypeDisplayText(settings, entry) + QStringLiteral(" (") + QtPatterns(TypePatterns(settings, entry)) +
                   u')';
  }
  return filters;
}

}  // namespace tabulox
