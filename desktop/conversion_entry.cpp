#include "desktop/conversion_entry.h"

#include <QFile>

namespace tabulox {

ConvertFunction EngineConverter(Engine& engine, WorkbookType type) {
  return [&engine, type](const QString& source, OutputBlock& block, std::int32_t codePage) {
    return engine.ConvertFile(QFile::encodeName(source).toStdString(), type, codePage, block);
  };
}

}  // namespace tabulox
