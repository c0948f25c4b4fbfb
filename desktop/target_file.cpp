#include "desktop/target_file.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>

#include "desktop/output_options.h"
#include "destination/atomic_file.h"

namespace tabulox {

namespace {

// Position of the extension's dot in the file-name part, or -1.
qsizetype ExtensionDot(const QString& path) {
  const qsizetype dot = path.lastIndexOf(u'.');
  return dot > path.lastIndexOf(u'/') ? dot : -1;
}

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(u'/') + 1); }

QString WithExtension(const QString& path, const QString& extension) {
  const qsizetype dot = ExtensionDot(path);
  return (dot < 0 ? path : path.left(dot)) + extension;
}

}  // namespace

QString TargetFileName(const QString& source, const ProgramSettings& settings) {
  const QString extension = TargetExtension(settings);
  if (settings.targetBesideSource) return WithExtension(source, extension);
  return settings.targetFolder + WithExtension(FileNamePart(source), extension);
}

QString AutoRenameTarget(const QString& target) {
  const qsizetype dot = ExtensionDot(target);
  const QString base = dot < 0 ? target : target.left(dot);
  const QString extension = dot < 0 ? QString() : target.mid(dot);
  for (qint64 counter = 1;; ++counter) {
    const QString candidate = base + u'(' + QString::number(counter) + u')' + extension;
    if (!TargetExists(candidate)) return candidate;
  }
}

QString ConvertMessageForResult(ResultCode result) {
  if (result >= 0) return QStringLiteral("Convert successfully");
  switch (result) {
    case kSourceMissing: return QStringLiteral("Source file does not exist");
    case kSourceOpenFailed: return QStringLiteral("Source file open error");
    case kDestinationCreateFailed: return QStringLiteral("Target file create error");
    case kDestinationWriteFailed: return QStringLiteral("Target file write error");
    case kSourceEncrypted: return QStringLiteral("Extracting text from source file not allowed");
    default: return QStringLiteral("File format not correct");
  }
}

bool TargetExists(const QString& target) {
  return DestinationExists(QFile::encodeName(target).toStdString());
}

AtomicWriteResult WriteTargetFile(const QString& target, std::string_view bytes,
                                  bool replaceExisting) {
  const QString folder = QFileInfo(target).absolutePath();
  if (!QDir().mkpath(folder)) return AtomicWriteResult::kCreateFailed;
  const ExistingDestination existing =
      replaceExisting ? ExistingDestination::kReplace : ExistingDestination::kKeep;
  return WriteFileAtomically(QFile::encodeName(target).toStdString(), bytes, existing);
}

}  // namespace tabulox
