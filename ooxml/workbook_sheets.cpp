#include "ooxml/workbook_sheets.h"

#include <algorithm>

#include "core/text_encoding.h"

namespace tabulox {

std::vector<WorkbookSheet> ListedWorkbookSheets(const WorkbookParts& parts, ZipArchive& reader) {
  std::vector<WorkbookSheet> sheets;
  const bool allNumbered =
      std::all_of(parts.worksheets.begin(), parts.worksheets.end(),
                  [](const ListedWorksheet& sheet) { return !NumberedWorksheet(sheet.part).empty(); });
  if (allNumbered) return sheets;
  for (std::size_t i = 0; i < parts.worksheets.size(); ++i) {
    const ListedWorksheet& listed = parts.worksheets[i];
    if (!reader.OpenMember(listed.part).Found()) continue;
    sheets.push_back({listed.part, "sheet" + std::to_string(i + 1), listed.name, listed.hidden});
  }
  return sheets;
}

std::vector<WorkbookSheet> NumberedWorkbookSheets(const WorkbookParts& parts,
                                                  const ZipArchive& reader) {
  std::vector<WorkbookSheet> sheets;
  for (const std::string& number : NumberedWorksheets(reader)) {
    WorkbookSheet sheet{"xl/worksheets/sheet" + number + ".xml", "sheet" + number,
                        "Sheet" + number, false};
    const auto listed = std::find_if(parts.worksheets.begin(), parts.worksheets.end(),
                                     [&](const ListedWorksheet& entry) {
                                       return NumberedWorksheet(entry.part) == number;
                                     });
    if (listed != parts.worksheets.end()) {
      sheet.name = listed->name;
      sheet.hidden = listed->hidden;
    }
    sheets.push_back(std::move(sheet));
  }
  return sheets;
}

std::vector<WorkbookSheet> WorkbookSheets(const WorkbookParts& parts, ZipArchive& reader) {
  std::vector<WorkbookSheet> sheets = ListedWorkbookSheets(parts, reader);
  return sheets.empty() ? NumberedWorkbookSheets(parts, reader) : sheets;
}

std::vector<SheetInfo> SheetInfos(const std::vector<WorkbookSheet>& sheets) {
  std::vector<SheetInfo> infos;
  infos.reserve(sheets.size());
  for (const WorkbookSheet& sheet : sheets) {
    std::string utf8;
    // 65001 joins the surrogate halves of engine text; its mark is dropped.
    if (EncodeText(sheet.name, 65001, utf8) == 0 && utf8.size() >= 3) utf8.erase(0, 3);
    infos.push_back({std::move(utf8), sheet.hidden});
  }
  return infos;
}

}  // namespace tabulox
