// The file list's model: what the view shows of a row, the column-click sort
// and the duplicate check by source path.
#include "desktop/file_list_model.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QPersistentModelIndex>

namespace tabulox {
namespace {

JobRow Row(const QString& name, const QString& size = QStringLiteral("1"), FileListModel::RowState state = FileListModel::RowState::kWaiting) {
  JobRow row;
  row.state = static_cast<std::int32_t>(state);
  row.subItems = {name, QStringLiteral("/n/") + name, size, QStringLiteral("XLS"), QStringLiteral("/o/x.txt"), QString()};
  return row;
}

QStringList Names(const FileListModel& model) {
  QStringList names;
  for (int row = 0; row < model.rowCount(); ++row) names << model.text(row, FileListModel::Column::kName);
  return names;
}

TEST(FileListModelTest, ShowsIconForStateAndRightAlignsSize) {
  FileListModel model;
  model.appendRow(Row(QStringLiteral("a.xls"), QStringLiteral("12"), FileListModel::RowState::kFailed));
  EXPECT_EQ(model.columnCount(), 7);
  EXPECT_EQ(model.data(model.index(0, FileListModel::section(FileListModel::Column::kSize))).toString(), QStringLiteral("12"));
  EXPECT_EQ(model.data(model.index(0, FileListModel::section(FileListModel::Column::kSource))).toString(), QStringLiteral("/n/a.xls"));
  EXPECT_EQ(model.data(model.index(0, FileListModel::section(FileListModel::Column::kState))).toString(), QString());
  EXPECT_FALSE(model.data(model.index(0, FileListModel::section(FileListModel::Column::kState)), Qt::DecorationRole).value<QIcon>().isNull());
  EXPECT_FALSE(model.data(model.index(0, FileListModel::section(FileListModel::Column::kName)), Qt::DecorationRole).isValid());
  EXPECT_EQ(model.data(model.index(0, FileListModel::section(FileListModel::Column::kSize)), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignRight | Qt::AlignVCenter);
  EXPECT_EQ(model.headerData(FileListModel::section(FileListModel::Column::kMessage), Qt::Horizontal).toString(), QStringLiteral("Convert Message"));
}

TEST(FileListModelTest, CompareRowsByColumn) {
  const struct {
    const char* what;
    JobRow a;
    JobRow b;
    FileListModel::Column column;
    int expected;
  } cases[] = {
      {"state as numbers", Row("a", "1", FileListModel::RowState::kFailed), Row("a", "1", FileListModel::RowState::kConverted), FileListModel::Column::kState, 1},
      {"size as numbers", Row("a", "9"), Row("a", "10"), FileListModel::Column::kSize, -1},
      {"size that is no number counts 0", Row("a", "x"), Row("a", "0"), FileListModel::Column::kSize, 0},
      {"names fold A-Z", Row("a.xls"), Row("B.xls"), FileListModel::Column::kName, -1},
      {"same name in other case", Row("BOOK.xls"), Row("book.XLS"), FileListModel::Column::kName, 0},
      {"other letters by code", Row(QStringLiteral(u"\u00e4")), Row(QStringLiteral(u"\u00c4")), FileListModel::Column::kName, 1},
      {"shorter first", Row("ab"), Row("abc"), FileListModel::Column::kName, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileListModel::compareRows(c.a, c.b, c.column), c.expected) << c.what;
    EXPECT_EQ(FileListModel::compareRows(c.b, c.a, c.column), -c.expected) << c.what;
  }
}

// A second click on the sort column sorts the other way; rows that compare
// equal keep their order both ways; the marker moves with the sort column.
TEST(FileListModelTest, SortTogglesDirectionAndKeepsEqualRowsInOrder) {
  FileListModel model;
  for (const char* name : {"b1", "a", "B2", "c"}) {
    JobRow row = Row(QString::fromLatin1(name));
    row.subItems[3] = QString::fromLatin1(name).left(1).toUpper();  // Type: B, A, B, C
    model.appendRow(row);
  }
  model.sortByColumn(FileListModel::Column::kType);
  EXPECT_EQ(Names(model), QStringList({"a", "b1", "B2", "c"}));
  EXPECT_EQ(model.headerData(FileListModel::section(FileListModel::Column::kType), Qt::Horizontal).toString(), QStringLiteral("(->)Type"));
  model.sortByColumn(FileListModel::Column::kType);
  EXPECT_EQ(Names(model), QStringList({"c", "b1", "B2", "a"}));
  EXPECT_EQ(model.headerData(FileListModel::section(FileListModel::Column::kType), Qt::Horizontal).toString(), QStringLiteral("(<-)Type"));
  model.sortByColumn(FileListModel::Column::kName);
  EXPECT_EQ(model.headerData(FileListModel::section(FileListModel::Column::kType), Qt::Horizontal).toString(), QStringLiteral("Type"));
  EXPECT_EQ(Names(model), QStringList({"a", "b1", "B2", "c"}));  // a new column starts ascending
}

// The selection belongs to rows, not to positions.
TEST(FileListModelTest, SelectionFollowsRowsWhenSorted) {
  FileListModel model;
  for (const char* name : {"c", "a", "b"}) model.appendRow(Row(QString::fromLatin1(name)));
  QItemSelectionModel selection(&model);
  selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const QPersistentModelIndex current = model.index(0, FileListModel::section(FileListModel::Column::kSource));
  model.sortByColumn(FileListModel::Column::kName);
  ASSERT_EQ(Names(model), QStringList({"a", "b", "c"}));
  EXPECT_FALSE(selection.isRowSelected(0, QModelIndex()));
  EXPECT_TRUE(selection.isRowSelected(2, QModelIndex()));
  EXPECT_EQ(current.row(), 2);
  EXPECT_EQ(current.column(), FileListModel::section(FileListModel::Column::kSource));
}

TEST(FileListModelTest, DuplicateCheckFollowsAddsRemovalsAndEdits) {
  FileListModel model;
  model.appendRow(Row("a.xls"));
  model.appendRow(Row("b.xls"));
  model.appendRow(Row("a.xls"));  // a second row of the same source (an edited job file)
  EXPECT_TRUE(model.containsSource(QStringLiteral("/N/A.XLS")));
  model.removeRows({0});
  EXPECT_TRUE(model.containsSource(QStringLiteral("/n/a.xls")));
  model.removeRows({1});
  EXPECT_FALSE(model.containsSource(QStringLiteral("/n/a.xls")));
  EXPECT_EQ(Names(model), QStringList({"b.xls"}));
  model.setText(0, FileListModel::Column::kSource, QStringLiteral("/n/c.xls"));
  EXPECT_FALSE(model.containsSource(QStringLiteral("/n/b.xls")));
  EXPECT_TRUE(model.containsSource(QStringLiteral("/n/c.xls")));
  model.setRows({Row("d.xls")});
  EXPECT_FALSE(model.containsSource(QStringLiteral("/n/c.xls")));
  EXPECT_TRUE(model.containsSource(QStringLiteral("/n/d.xls")));
}

}  // namespace
}  // namespace tabulox
