#include "file_types.h"

#include <gtest/gtest.h>

#include "settings_file.h"

namespace tabulox {
namespace {

struct TypeCase {
  const char* userExt1;
  const char* userExt2;
  const char* fileName;
  const char* expectedTag;  // "" = not supported
};

class FindFileTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(FindFileTypeTest, MapsNameToTag) {
  const TypeCase& c = GetParam();
  ProgramSettings settings;
  settings.userfileext1 = QString::fromUtf8(c.userExt1);
  settings.userfileext2 = QString::fromUtf8(c.userExt2);
  BuildTypeList(settings);
  EXPECT_EQ(FindFileType(settings, QString::fromUtf8(c.fileName)).toStdString(), c.expectedTag)
      << c.fileName;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindFileTypeTest,
    ::testing::Values(TypeCase{"", "", "a.xls", "XLS"}, TypeCase{"", "", "/d/A.XLS", "XLS"},
                      TypeCase{"", "", "a.xlsx", "XLSX"}, TypeCase{"", "", "report.xl", ""},
                      TypeCase{"", "", "a.x", ""}, TypeCase{"", "", "a", ""},
                      TypeCase{"", "", "a.xls.bak", ""}, TypeCase{"", "", "/dir.xls/file", ""},
                      TypeCase{"", "", "a.", ""}, TypeCase{"", "", "a.xlsx;", ""},
                      TypeCase{"*.xlt", "", "book.xlt", "XLS"},
                      TypeCase{"*.XLT", "", "book.XLT", "XLS"},
                      TypeCase{"", "*.XLSM", "a.xlsm", "XLSX"},
                      TypeCase{"*.xlt;*.xlw", "*.xlsm", "b.xlw", "XLS"},
                      TypeCase{"*.xlt;*.xlw", "*.xlsm", "b.xlsm", "XLSX"},
                      // Only A-Z are lowered: a non-ASCII capital stays as it is.
                      TypeCase{"*.xÄ", "", "b.xä", ""}));

TEST(BuildTypeListTest, DefaultListAndIndex) {
  ProgramSettings settings;
  BuildTypeList(settings);
  EXPECT_EQ(settings.extensionList, QStringLiteral("*.xls;*.xlsx;"));
  EXPECT_EQ(settings.typeIndex, QString(6, QChar(1)) + QString(7, QChar(2)));
}

TEST(BuildTypeListTest, UserPatternIsLoweredAndIndexedWithItsType) {
  ProgramSettings settings;
  settings.userfileext1 = QStringLiteral("*.XLT");
  BuildTypeList(settings);
  EXPECT_EQ(settings.extensionList, QStringLiteral("*.xls;*.xlt;*.xlsx;"));
  EXPECT_EQ(settings.typeIndex, QString(12, QChar(1)) + QString(7, QChar(2)));
  // A rebuild after the patterns are cleared drops them again.
  settings.userfileext1.clear();
  BuildTypeList(settings);
  EXPECT_EQ(settings.extensionList, QStringLiteral("*.xls;*.xlsx;"));
}

TEST(FilePickerFiltersTest, DefaultFilters) {
  ProgramSettings settings;
  BuildTypeList(settings);
  EXPECT_EQ(FilePickerFilters(settings),
            QStringList({QStringLiteral("All Support File (*.xls *.xlsx)"),
                         QStringLiteral("Excel 95, 97-2007 File(*.xls) (*.xls)"),
                         QStringLiteral("Excel Open XML File(*.xlsx) (*.xlsx)")}));
}

TEST(FilePickerFiltersTest, UserPatternFollowsDefaultPatternAsStored) {
  ProgramSettings settings;
  settings.userfileext1 = QStringLiteral("*.XLT");
  BuildTypeList(settings);
  const QStringList filters = FilePickerFilters(settings);
  EXPECT_EQ(filters[0], QStringLiteral("All Support File (*.xls *.xlt *.xlsx)"));
  EXPECT_EQ(filters[1], QStringLiteral("Excel 95, 97-2007 File(*.xls;*.XLT) (*.xls *.XLT)"));
}

}  // namespace
}  // namespace tabulox
