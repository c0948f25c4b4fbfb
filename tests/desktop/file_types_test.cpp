#include "desktop/file_types.h"

#include <gtest/gtest.h>

#include <set>

#include "desktop/settings_file.h"

namespace tabulox {
namespace {

struct TypeCase {
  const char* xlsExtra;
  const char* xlsxExtra;
  const char* fileName;
  const char* expectedName;  // "" = not supported
};

class FindFileTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(FindFileTypeTest, MapsNameToType) {
  const TypeCase& c = GetParam();
  ProgramSettings settings;
  settings.xlsExtraPatterns = QString::fromUtf8(c.xlsExtra);
  settings.xlsxExtraPatterns = QString::fromUtf8(c.xlsxExtra);
  BuildTypeList(settings);
  const std::optional<FileType> type = FindFileType(settings, QString::fromUtf8(c.fileName));
  EXPECT_EQ(type ? FileTypeInfo(*type).name : "", std::string(c.expectedName)) << c.fileName;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindFileTypeTest,
    ::testing::Values(TypeCase{"", "", "a.xls", "XLS"}, TypeCase{"", "", "/d/A.XLS", "XLS"},
                      TypeCase{"", "", "a.xlsx", "XLSX"}, TypeCase{"", "", "report.xl", ""},
                      TypeCase{"", "", "a.x", ""}, TypeCase{"", "", "a", ""},
                      TypeCase{"", "", "a.xls.bak", ""}, TypeCase{"", "", "/dir.xls/file", ""},
                      TypeCase{"", "", "a.", ""}, TypeCase{"", "", "a.xlsx;", ""},
                      TypeCase{"", "", "notes.txt", ""},
                      // Every type of the table by its own extension.
                      TypeCase{"", "", "book.xlt", "XLT"}, TypeCase{"", "", "book.XLSM", "XLSM"},
                      TypeCase{"", "", "book.xltx", "XLTX"}, TypeCase{"", "", "book.xltm", "XLTM"},
                      TypeCase{"", "", "book.xlsb", "XLSB"},
                      // Extra patterns come right after their type's own, so they win over
                      // a later entry of the table.
                      TypeCase{"*.XLT", "", "book.xlt", "XLS"}, TypeCase{"", "*.xlsb", "a.xlsb", "XLSX"},
                      TypeCase{"*.xlt;*.xlw", "*.xlsm", "b.xlw", "XLS"},
                      // Only A-Z are lowered: a non-ASCII capital stays as it is.
                      TypeCase{"*.xÄ", "", "b.xä", ""}));

TEST(FileTypeTableTest, EachTypeOnceWithItsOwnExtensionAndReader) {
  std::set<std::string> extensions;
  std::set<std::string> names;
  for (std::size_t i = 0; i < kFileTypes.size(); ++i) {
    const FileTypeEntry& entry = kFileTypes[i];
    EXPECT_EQ(FileTypeIndex(entry.type), i) << entry.name;  // the table is in enum order
    EXPECT_TRUE(extensions.insert(entry.extension).second) << entry.extension;
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_EQ(FileTypeNamed(QString::fromLatin1(entry.name)), entry.type);
  }
  EXPECT_EQ(FileTypeInfo(FileType::kXlt).engineType, WorkbookType::kXls);
  EXPECT_EQ(FileTypeInfo(FileType::kXltm).engineType, WorkbookType::kXlsx);
  EXPECT_EQ(FileTypeInfo(FileType::kXlsb).engineType, WorkbookType::kXlsb);
  EXPECT_EQ(FileTypeInfo(FileType::kFods).engineType, WorkbookType::kOds);
  // Job files keep the Type column's text; an unknown or lower-case one names no type.
  EXPECT_FALSE(FileTypeNamed(QStringLiteral("xls")).has_value());
  EXPECT_FALSE(FileTypeNamed(QString()).has_value());
}

TEST(BuildTypeListTest, ExtraPatternsAreLoweredAndFollowTheirType) {
  ProgramSettings settings;
  settings.xlsExtraPatterns = QStringLiteral("*.XLW");
  BuildTypeList(settings);
  ASSERT_GE(settings.namePatterns.size(), 2u);
  EXPECT_EQ(settings.namePatterns[1].pattern, QStringLiteral("*.xlw"));
  EXPECT_EQ(settings.namePatterns[1].type, FileType::kXls);
  EXPECT_EQ(settings.namePatterns.size(), kFileTypes.size() + 1);
  // A rebuild after the patterns are cleared drops them again.
  settings.xlsExtraPatterns.clear();
  BuildTypeList(settings);
  EXPECT_EQ(settings.namePatterns.size(), kFileTypes.size());
}

TEST(FilePickerFiltersTest, DefaultFilters) {
  ProgramSettings settings;
  BuildTypeList(settings);
  const QStringList filters = FilePickerFilters(settings);
  ASSERT_EQ(filters.size(), 1 + static_cast<qsizetype>(kFileTypes.size()));
  EXPECT_EQ(filters[0], QStringLiteral("All Support File (*.xls *.xlt *.xlsx *.xlsm *.xltx *.xltm *.xlsb *.ods *.ots *.fods)"));
  EXPECT_EQ(filters[1], QStringLiteral("Excel 95, 97-2007 File(*.xls) (*.xls)"));
  EXPECT_EQ(filters[3], QStringLiteral("Excel Open XML File(*.xlsx) (*.xlsx)"));
  EXPECT_EQ(filters[7], QStringLiteral("Excel Binary File(*.xlsb) (*.xlsb)"));
  EXPECT_EQ(filters[8], QStringLiteral("OpenDocument Spreadsheet(*.ods) (*.ods)"));
}

TEST(FilePickerFiltersTest, ExtraPatternFollowsDefaultPatternAsStored) {
  ProgramSettings settings;
  settings.xlsExtraPatterns = QStringLiteral("*.XLW");
  BuildTypeList(settings);
  const QStringList filters = FilePickerFilters(settings);
  EXPECT_TRUE(filters[0].startsWith(QStringLiteral("All Support File (*.xls *.xlw *.xlt ")));
  EXPECT_EQ(filters[1], QStringLiteral("Excel 95, 97-2007 File(*.xls;*.XLW) (*.xls *.XLW)"));
}

}  // namespace
}  // namespace tabulox
