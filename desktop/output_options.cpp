#include "desktop/output_options.h"

namespace tabulox {
namespace {

bool CommaSeparated(const ProgramSettings& settings) {
  return settings.layout == OutputLayout::kAsShown && settings.commaSeparated;
}

QString SafeSheetName(const QString& name) {
  QString safe = name;
  for (QChar& c : safe) {
    if (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7F) c = u'_';
  }
  return safe;
}

}  // namespace

ConversionOptions OutputConversionOptions(const ProgramSettings& settings) {
  ConversionOptions options;
  if (settings.layout == OutputLayout::kAsShown) {
    options.layout = Layout::kAsShown;
    options.separator = CommaSeparated(settings) ? ',' : '\t';
  }
  options.skipHiddenSheets = settings.leaveHiddenOut;
  options.skipHiddenRows = settings.leaveHiddenOut;
  options.skipHiddenColumns = settings.leaveHiddenOut;
  return options;
}

QString TargetExtension(const ProgramSettings& settings) {
  return CommaSeparated(settings) ? QStringLiteral(".csv") : QStringLiteral(".txt");
}

QString OutputLayoutName(const ProgramSettings& settings) {
  if (settings.layout != OutputLayout::kAsShown) return QStringLiteral("as today");
  return CommaSeparated(settings) ? QStringLiteral("as shown, comma-separated") : QStringLiteral("as shown");
}

QStringList SheetTargetNames(const QString& target, const std::vector<SheetInfo>& sheets) {
  const qsizetype dot = target.lastIndexOf(u'.');
  const bool hasExtension = dot > target.lastIndexOf(u'/');
  const QString base = hasExtension ? target.left(dot) : target;
  const QString extension = hasExtension ? target.mid(dot) : QString();
  QStringList names;
  for (const SheetInfo& sheet : sheets) {
    QString name = SafeSheetName(QString::fromStdString(sheet.name));
    QString candidate = base + QStringLiteral(" - ") + name + extension;
    while (names.contains(candidate)) {
      name += u'_' + QString::number(sheet.number);
      candidate = base + QStringLiteral(" - ") + name + extension;
    }
    names << candidate;
  }
  return names;
}

}  // namespace tabulox
