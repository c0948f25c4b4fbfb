// Stands in for the engine's .xls entry point while the engine library does
// not define it yet; the desktop tests inject their own converters.
#include "convert_workbook.h"

namespace tabulox {

ResultCode ConvertWorkbook(const std::string&, OutputBlock&, std::int32_t, LineBreakStyle) {
  return kConverterUnavailable;
}

}  // namespace tabulox
