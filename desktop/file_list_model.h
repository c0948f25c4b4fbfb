// The rows of the main window's file list: one row a source file, with its
// State icon and the six texts the job file keeps. Sorting follows the
// column headers: a click sorts by that column, a second click on the same
// column the other way, and the header shows "(->)" or "(<-)" before the
// caption of the sorted column.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QStringList>
#include <vector>

#include "desktop/job_file.h"

namespace tabulox {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Column c > State shows sub-item c - 1 of the row.
  enum class Column { kState, kName, kSource, kSize, kType, kTarget, kMessage };
  static constexpr int kColumnCount = 7;
  // The number is the State icon the job file keeps.
  enum class RowState { kWaiting = 0, kConverted = 1, kFailed = 2 };

  // The view's section number of a column.
  static constexpr int section(Column column) { return static_cast<int>(column); }

  explicit FileListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  RowState state(int row) const { return static_cast<RowState>(rows_[static_cast<std::size_t>(row)].state); }
  QString text(int row, Column column) const;
  void setState(int row, RowState state);
  void setText(int row, Column column, const QString& text);

  // True when a row holds `source`, compared without regard to case.
  bool containsSource(const QString& source) const;
  void appendRow(const JobRow& row);
  // The rows whose positions `remove` holds are taken out.
  void removeRows(const QList<int>& remove);
  void setRows(std::vector<JobRow> rows);
  const std::vector<JobRow>& rows() const { return rows_; }

  // The column-click sort: moves the marker to `column`, sorts ascending
  // when it is a new sort column and the other way than last time when it
  // is the same one. Rows that compare equal keep their order; persistent
  // indexes (the selection) follow their rows.
  void sortByColumn(Column column);
  // <0, 0, >0 for row a against row b by `column`: "State" by the icon
  // number, "Size(Byte)" as integers (a text that is no number counts as 0),
  // the others as text with A-Z folded to upper case.
  static int compareRows(const JobRow& a, const JobRow& b, Column column);

 private:
  static QString sourceKey(const QString& source) { return source.toUpper(); }
  void forgetSource(const QString& source);

  std::vector<JobRow> rows_;
  QHash<QString, int> sourceKeys_;  // upper-cased source path -> rows holding it
  QStringList captions_;            // header captions, the sort marker included
  int sortColumn_ = -1;
  bool sortAscending_ = true;  // the direction of the next sort
  QList<QIcon> stateIcons_;
};

}  // namespace tabulox
