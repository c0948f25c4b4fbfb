#include "file_types.h"

namespace tabulox {

QString AsciiLower(const QString& text) {
  QString lowered = text;
  for (QChar& c : lowered) {
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
  }
  return lowered;
}

QString UserPatterns(const ProgramSettings& settings, int index) {
  return index == 1 ? settings.userfileext1 : settings.userfileext2;
}

void BuildTypeList(ProgramSettings& settings) {
  settings.extensionList.clear();
  settings.typeIndex.clear();
  for (const FileTypeEntry& type : kFileTypes) {
    settings.extensionList += AsciiLower(QString::fromLatin1(type.defaultPattern)) + u';';
    const QString user = UserPatterns(settings, type.index);
    if (!user.isEmpty()) settings.extensionList += AsciiLower(user) + u';';
    const qsizetype missing = settings.extensionList.size() - settings.typeIndex.size();
    settings.typeIndex += QString(missing, QChar(type.index));
  }
}

QString FindFileType(const ProgramSettings& settings, const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(u'.');
  const qsizetype slash = fileName.lastIndexOf(u'/');
  const QString extension = dot > slash ? AsciiLower(fileName.mid(dot)) : QString();
  const qsizetype at = settings.extensionList.indexOf(u'*' + extension + u';');
  if (at < 0 || at >= settings.typeIndex.size()) return {};
  const int index = settings.typeIndex.at(at).unicode();
  for (const FileTypeEntry& type : kFileTypes) {
    if (type.index == index) return QString::fromLatin1(type.tag);
  }
  return {};
}

QString TypeDisplayText(const ProgramSettings& settings, const FileTypeEntry& type) {
  QString text = QString::fromLatin1(type.description) + u'(' + QString::fromLatin1(type.defaultPattern);
  const QString user = UserPatterns(settings, type.index);
  if (!user.isEmpty()) text += u';' + user;
  return text + u')';
}

namespace {

// Qt separates the patterns of one filter by blanks.
QString QtPatterns(QString patterns) {
  patterns.replace(u';', u' ');
  return patterns.simplified();
}

}  // namespace

QStringList FilePickerFilters(const ProgramSettings& settings) {
  QStringList filters;
  filters << QStringLiteral("All Support File (%1)").arg(QtPatterns(settings.extensionList));
  for (const FileTypeEntry& type : kFileTypes) {
    QString patterns = QString::fromLatin1(type.defaultPattern);
    const QString user = UserPatterns(settings, type.index);
    if (!user.isEmpty()) patterns += u';' + user;
    filters << TypeDisplayText(settings, type) + QStringLiteral(" (") + QtPatterns(patterns) + u')';
  }
  return filters;
}

}  // namespace tabulox
