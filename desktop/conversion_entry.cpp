#include "conversion_entry.h"

#include <QFile>

#include "convert_workbook.h"
#if TABULOX_HAVE_XLSX
#include "convert_xlsx_workbook.h"
#endif

namespace tabulox {

namespace {

std::string EnginePath(const QString& source) { return QFile::encodeName(source).toStdString(); }

}  // namespace

ResultCode ConvertXlsFile(const QString& source, OutputBlock& block, std::int32_t codePage) {
  return ConvertWorkbook(EnginePath(source), block, codePage, LineBreakStyle{0});
}

ResultCode ConvertXlsxFile(const QString& source, OutputBlock& block, std::int32_t codePage) {
#if TABULOX_HAVE_XLSX
  return ConvertXlsxWorkbook(EnginePath(source), block, codePage);
#else
  (void)source;
  (void)block;
  (void)codePage;
  return kConverterUnavailable;
#endif
}

void StartXlsxEngine() {
#if TABULOX_HAVE_XLSX
  InitXlsxEngine();
#endif
}

void StopXlsxEngine() {
#if TABULOX_HAVE_XLSX
  FreeXlsxEngine();
#endif
}

void SetXlsxProgressCallback(std::function<void()> processEvents) {
#if TABULOX_HAVE_XLSX
  XlsxZipReader().OnProgress = std::move(processEvents);
#else
  (void)processEvents;
#endif
}

}  // namespace tabulox
