#include "tabulox/tabulox.h"

#include <optional>
#include <utility>

#include "core/code_pages.h"
#include "core/file_bytes.h"
#include "engine/workbook_content.h"
#include "grid/sheet_choice.h"
#include "numfmt/date_time_pattern.h"
#include "numfmt/regional_settings.h"
#include "ooxml/convert_xlsx_workbook.h"
#include "xls/convert_workbook.h"
#include "xlsb/convert_xlsb_workbook.h"
#include "zip/zip_archive.h"

namespace tabulox {

// The package readers share one ZIP reader, so that the archive opened to
// look at its members is read once; it is made first and destroyed last.
struct Engine::State {
  ZipArchive archive;
  XlsxConverter xlsx{archive};
  XlsbConverter xlsb{archive};
};

namespace {

// The type whose reader converts a workbook whose name says `named` and whose
// bytes hold `content`; std::nullopt for an encrypted package, which no reader
// opens. `compoundContent` tells what a compound file holds: asked only when
// the name says something else than .xls, whose reader tells the kinds of
// compound file apart itself.
template <typename CompoundContentOf>
std::optional<WorkbookType> ReaderType(WorkbookContent content, WorkbookType named,
                                       CompoundContentOf compoundContent) {
  switch (content) {
    case WorkbookContent::kCompoundFile:
      if (named == WorkbookType::kXls) return named;
      switch (compoundContent()) {
        case CompoundContent::kWorkbook:
          return WorkbookType::kXls;
        case CompoundContent::kEncryptedPackage:
          return std::nullopt;
        case CompoundContent::kNone:
          return named;
      }
      return named;
    case WorkbookContent::kBareBiffStream:
      return WorkbookType::kXls;
    case WorkbookContent::kXlsxPackage:
      return WorkbookType::kXlsx;
    case WorkbookContent::kXlsbPackage:
      return WorkbookType::kXlsb;
    case WorkbookContent::kOdsPackage:
    case WorkbookContent::kFlatOds:
    case WorkbookContent::kOther:
      return named;
  }
  return named;
}

std::optional<WorkbookType> ReaderTypeOfFile(const std::string& path, WorkbookType named,
                                             ZipArchive& archive) {
  return ReaderType(ContentOfFile(path, archive), named, [&] {
    FileBytes file;
    return ReadFileBytes(path, file) < 0 ? CompoundContent::kNone : CompoundFileContent(file);
  });
}

std::optional<WorkbookType> ReaderTypeOfBytes(std::span<const std::uint8_t> file,
                                              WorkbookType named, ZipArchive& archive) {
  return ReaderType(ContentOfBytes(file, archive), named,
                    [&] { return CompoundFileContent(file); });
}

// Numbers the listed sheets from 1 in workbook order.
ResultCode Numbered(ResultCode rc, std::vector<SheetInfo>& listed, std::vector<SheetInfo>& sheets) {
  if (rc < 0) return rc;
  for (std::size_t i = 0; i < listed.size(); ++i) listed[i].number = static_cast<int>(i + 1);
  sheets = std::move(listed);
  return rc;
}

}  // namespace

Engine::Engine() : state_(std::make_unique<State>()) { LoadRegionalSettings(); }

Engine::~Engine() = default;

ResultCode Engine::ConvertFile(const std::string& path, WorkbookType type, std::int32_t codePage,
                               OutputBlock& block) {
  return ConvertFile(path, type, codePage, ConversionOptions{}, block);
}

ResultCode Engine::ConvertBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                 std::int32_t codePage, OutputBlock& block) {
  return ConvertBuffer(file, type, codePage, ConversionOptions{}, block);
}

ResultCode Engine::ConvertFile(const std::string& path, WorkbookType type, std::int32_t codePage,
                               const ConversionOptions& options, OutputBlock& block) {
  const std::optional<WorkbookType> reader = ReaderTypeOfFile(path, type, state_->archive);
  if (!reader) return kSourceEncrypted;
  if (*reader == WorkbookType::kXls) return ConvertWorkbook(path, block, codePage, options);
  if (*reader == WorkbookType::kXlsb) return state_->xlsb.Convert(path, block, codePage, options);
  return state_->xlsx.Convert(path, block, codePage, options);
}

ResultCode Engine::ConvertBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                 std::int32_t codePage, const ConversionOptions& options,
                                 OutputBlock& block) {
  const std::optional<WorkbookType> reader = ReaderTypeOfBytes(file, type, state_->archive);
  if (!reader) return kSourceEncrypted;
  if (*reader == WorkbookType::kXls) return ConvertWorkbookBuffer(file, block, codePage, options);
  if (*reader == WorkbookType::kXlsb) return state_->xlsb.ConvertBuffer(file, block, codePage, options);
  return state_->xlsx.ConvertBuffer(file, block, codePage, options);
}

ResultCode Engine::ListSheets(const std::string& path, WorkbookType type,
                              std::vector<SheetInfo>& sheets) {
  const std::optional<WorkbookType> reader = ReaderTypeOfFile(path, type, state_->archive);
  if (!reader) return kSourceEncrypted;
  std::vector<SheetInfo> listed;
  const ResultCode rc = *reader == WorkbookType::kXls    ? ListWorkbookSheets(path, listed)
                        : *reader == WorkbookType::kXlsb ? state_->xlsb.ListSheets(path, listed)
                                                         : state_->xlsx.ListSheets(path, listed);
  return Numbered(rc, listed, sheets);
}

ResultCode Engine::ListSheetsInBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                      std::vector<SheetInfo>& sheets) {
  const std::optional<WorkbookType> reader = ReaderTypeOfBytes(file, type, state_->archive);
  if (!reader) return kSourceEncrypted;
  std::vector<SheetInfo> listed;
  const ResultCode rc = *reader == WorkbookType::kXls    ? ListWorkbookSheetsInBuffer(file, listed)
                        : *reader == WorkbookType::kXlsb ? state_->xlsb.ListSheetsInBuffer(file, listed)
                                                         : state_->xlsx.ListSheetsInBuffer(file, listed);
  return Numbered(rc, listed, sheets);
}

ResultCode Engine::ListSheets(const std::string& path, WorkbookType type,
                              const ConversionOptions& options, std::vector<SheetInfo>& sheets) {
  std::vector<SheetInfo> all;
  const ResultCode rc = ListSheets(path, type, all);
  if (rc < 0) return rc;
  std::vector<std::size_t> chosen;
  const ResultCode choice = ChooseSheets(all, options, chosen);
  if (choice < 0) return choice;
  sheets.clear();
  for (std::size_t at : chosen) sheets.push_back(all[at]);
  return static_cast<ResultCode>(sheets.size());
}

void Engine::SetProgressCallback(std::function<void()> progress) {
  state_->archive.OnProgress = std::move(progress);
}

std::int32_t Engine::LocaleCodePage() { return DefaultAnsiCodePage(); }

std::string DateTimeText(double daySerial) {
  std::string text;
  FormatDateTimePattern("c", daySerial, text);
  return text;
}

}  // namespace tabulox
