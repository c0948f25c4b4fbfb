#include "tabulox/tabulox.h"

#include <utility>

#include "code_pages.h"
#include "convert_workbook.h"
#include "convert_xlsx_workbook.h"
#include "date_time_pattern.h"
#include "regional_settings.h"

namespace tabulox {

struct Engine::State {
  XlsxConverter xlsx;
};

Engine::Engine() : state_(std::make_unique<State>()) { LoadRegionalSettings(); }

Engine::~Engine() = default;

ResultCode Engine::ConvertFile(const std::string& path, WorkbookType type, std::int32_t codePage,
                               OutputBlock& block) {
  if (type == WorkbookType::kXls) return ConvertWorkbook(path, block, codePage, 0);
  return state_->xlsx.Convert(path, block, codePage);
}

ResultCode Engine::ConvertBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                 std::int32_t codePage, OutputBlock& block) {
  if (type == WorkbookType::kXls) return ConvertWorkbookBuffer(file, block, codePage, 0);
  return state_->xlsx.ConvertBuffer(file, block, codePage);
}

void Engine::SetProgressCallback(std::function<void()> progress) {
  state_->xlsx.SetProgressCallback(std::move(progress));
}

std::int32_t Engine::LocaleCodePage() { return DefaultAnsiCodePage(); }

std::string DateTimeText(double daySerial) {
  std::string text;
  FormatDateTimePattern("c", daySerial, text);
  return text;
}

}  // namespace tabulox
