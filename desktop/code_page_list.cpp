#include "desktop/code_page_list.h"

namespace tabulox {

const QStringList& CodePageEntries() {
  static const QStringList entries{
      QStringLiteral("0         Default"),
      QStringLiteral("1252   Latin 1: European Western"),
      QStringLiteral("1200   Unicode (UTF-16, ISO 10646)"),
      QStringLiteral("65001 Unicode (UTF-8)"),
      QStringLiteral("1250   European Eastern"),
      QStringLiteral("1256   Arabic"),
      QStringLiteral("1257   Baltic"),
      QStringLiteral("1251   Cyrillic"),
      QStringLiteral("1253   Greek"),
      QStringLiteral("1255   Hebrew"),
      QStringLiteral("1254   Turkish"),
      QStringLiteral("874     Thai"),
      QStringLiteral("932     Japanese"),
      QStringLiteral("936     Chinese Simplified"),
      QStringLiteral("950     Chinese Traditional"),
      QStringLiteral("949     Korean Hangul"),
      QStringLiteral("1361   Korean Johab"),
  };
  return entries;
}

QString CodePageDisplayText(std::int32_t codePage) {
  const QString number = QString::number(codePage);
  const QString prefix = number + u' ';
  for (const QString& entry : CodePageEntries()) {
    if (entry.startsWith(prefix)) return entry;
  }
  return number;
}

std::optional<std::int32_t> ParseCodePageText(const QString& text) {
  QString number = text;
  for (const QString& entry : CodePageEntries()) {
    if (entry.compare(text, Qt::CaseInsensitive) == 0) {
      number = text.left(text.indexOf(u' '));
      break;
    }
  }
  bool ok = false;
  const int value = number.toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace tabulox
