#include "ooxml/workbook_sheets.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <unordered_set>

#include "core/text_encoding.h"

namespace tabulox {
namespace {

// A part's name as the archive looks it up: ASCII case and "/" versus "\\"
// ignored.
std::string LookupName(std::string_view part) {
  std::string name(part);
  for (char& c : name) c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

std::vector<WorkbookSheet> ListedWorkbookSheets(const WorkbookParts& parts, ZipArchive& reader) {
  std::vector<WorkbookSheet> sheets;
  const bool allNumbered =
      std::all_of(parts.worksheets.begin(), parts.worksheets.end(),
                  [](const ListedWorksheet& sheet) { return !NumberedWorksheet(sheet.part).empty(); });
  if (allNumbered) return sheets;
  // A part listed more than once is written once, at its first place in the
  // list, as a numbered part is: each part is read once however often the
  // list names it.
  std::unordered_set<std::string> written;
  for (std::size_t i = 0; i < parts.worksheets.size(); ++i) {
    const ListedWorksheet& listed = parts.worksheets[i];
    if (!reader.OpenMember(listed.part).Found() || !written.insert(LookupName(listed.part)).second)
      continue;
    sheets.push_back({listed.part, "sheet" + std::to_string(i + 1), listed.name, listed.hidden});
  }
  return sheets;
}

std::vector<WorkbookSheet> NumberedWorkbookSheets(const WorkbookParts& parts,
                                                  const ZipArchive& reader) {
  // The first listing of each numbered part.
  std::unordered_map<std::string_view, const ListedWorksheet*> listedByNumber;
  for (const ListedWorksheet& entry : parts.worksheets) {
    const std::string_view number = NumberedWorksheet(entry.part);
    if (!number.empty()) listedByNumber.emplace(number, &entry);
  }
  std::vector<WorkbookSheet> sheets;
  for (const std::string& number : NumberedWorksheets(reader)) {
    WorkbookSheet sheet{"xl/worksheets/sheet" + number + ".xml", "sheet" + number,
                        "Sheet" + number, false};
    const auto listed = listedByNumber.find(number);
    if (listed != listedByNumber.end()) {
      sheet.name = listed->second->name;
      sheet.hidden = listed->second->hidden;
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
    infos.push_back({EngineTextAsUtf8(sheet.name), sheet.hidden});
  }
  return infos;
}

}  // namespace tabulox
