#include "desktop/file_list_model.h"

#include <algorithm>
#include <numeric>

namespace tabulox {
namespace {

const QString kAscendingMarker = QStringLiteral("(->)");
const QString kDescendingMarker = QStringLiteral("(<-)");

// Compares as text with A-Z folded to upper case and every other character by its code.
int CompareTextAsciiNoCase(const QString& a, const QString& b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    char16_t x = a[i].unicode();
    char16_t y = b[i].unicode();
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - (u'a' - u'A'));
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - (u'a' - u'A'));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// A size text as a number; a text that is not one counts as 0.
qint64 SizeValue(const QString& text) {
  bool ok = false;
  const qint64 value = text.trimmed().toLongLong(&ok);
  return ok ? value : 0;
}

template <typename T>
int Compare(T x, T y) {
  return x < y ? -1 : (x > y ? 1 : 0);
}

QString SubItem(const JobRow& row, int column) { return row.subItems.value(column - 1); }
QString SubItem(const JobRow& row, FileListModel::Column column) {
  return SubItem(row, FileListModel::section(column));
}

constexpr int kStateSection = FileListModel::section(FileListModel::Column::kState);
constexpr int kSizeSection = FileListModel::section(FileListModel::Column::kSize);

}  // namespace

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {
  captions_ = {QStringLiteral("State"),       QStringLiteral("Name"),   QStringLiteral("Source file"),
               QStringLiteral("Size(Byte)"),  QStringLiteral("Type"),   QStringLiteral("Target file"),
               QStringLiteral("Convert Message")};
  for (int i = 0; i < 3; ++i) stateIcons_ << QIcon(QStringLiteral(":/icons/state%1.png").arg(i));
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const JobRow& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole: return index.column() == kStateSection ? row.caption : SubItem(row, index.column());
    case Qt::DecorationRole:
      if (index.column() == kStateSection) return stateIcons_.value(row.state);
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == kSizeSection) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default: return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return captions_[section];
  if (role == Qt::TextAlignmentRole && section == kSizeSection) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QString FileListModel::text(int row, Column column) const {
  const JobRow& r = rows_[static_cast<std::size_t>(row)];
  return column == Column::kState ? r.caption : SubItem(r, column);
}

void FileListModel::setState(int row, RowState state) {
  rows_[static_cast<std::size_t>(row)].state = static_cast<std::int32_t>(state);
  emit dataChanged(index(row, kStateSection), index(row, kStateSection), {Qt::DecorationRole});
}

void FileListModel::setText(int row, Column column, const QString& text) {
  JobRow& r = rows_[static_cast<std::size_t>(row)];
  const int at = section(column);
  if (column == Column::kState) {
    r.caption = text;
  } else {
    while (r.subItems.size() < at) r.subItems << QString();
    if (column == Column::kSource) {
      forgetSource(r.subItems[at - 1]);
      ++sourceKeys_[sourceKey(text)];
    }
    r.subItems[at - 1] = text;
  }
  emit dataChanged(index(row, at), index(row, at), {Qt::DisplayRole});
}

bool FileListModel::containsSource(const QString& source) const { return sourceKeys_.contains(sourceKey(source)); }

void FileListModel::appendRow(const JobRow& row) {
  const int at = rowCount();
  beginInsertRows(QModelIndex(), at, at);
  rows_.push_back(row);
  ++sourceKeys_[sourceKey(SubItem(row, Column::kSource))];
  endInsertRows();
}

void FileListModel::forgetSource(const QString& source) {
  const auto it = sourceKeys_.find(sourceKey(source));
  if (it != sourceKeys_.end() && --it.value() <= 0) sourceKeys_.erase(it);
}

void FileListModel::removeRows(const QList<int>& remove) {
  if (remove.isEmpty()) return;
  // One reset for any number of rows: taking them out one by one costs time
  // in the list's length per row.
  std::vector<bool> removed(rows_.size(), false);
  for (int row : remove) {
    if (row >= 0 && row < rowCount()) removed[static_cast<std::size_t>(row)] = true;
  }
  beginResetModel();
  std::vector<JobRow> kept;
  kept.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (removed[i]) forgetSource(SubItem(rows_[i], Column::kSource));
    else kept.push_back(std::move(rows_[i]));
  }
  rows_ = std::move(kept);
  endResetModel();
}

void FileListModel::setRows(std::vector<JobRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  sourceKeys_.clear();
  for (const JobRow& row : rows_) ++sourceKeys_[sourceKey(SubItem(row, Column::kSource))];
  endResetModel();
}

int FileListModel::compareRows(const JobRow& a, const JobRow& b, Column column) {
  if (column == Column::kState) return Compare(a.state, b.state);
  if (column == Column::kSize) return Compare(SizeValue(SubItem(a, column)), SizeValue(SubItem(b, column)));
  return CompareTextAsciiNoCase(SubItem(a, column), SubItem(b, column));
}

void FileListModel::sortByColumn(Column column) {
  const int at = section(column);
  if (at < 0 || at >= kColumnCount) return;
  for (QString& caption : captions_) {
    if (caption.startsWith(u'(')) caption = caption.mid(4);
  }
  if (at != sortColumn_) sortAscending_ = true;
  captions_[at] = (sortAscending_ ? kAscendingMarker : kDescendingMarker) + captions_[at];
  sortColumn_ = at;
  emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);

  const bool ascending = sortAscending_;
  sortAscending_ = !sortAscending_;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int result = compareRows(rows_[static_cast<std::size_t>(a)], rows_[static_cast<std::size_t>(b)], column);
    return ascending ? result < 0 : result > 0;
  });
  std::vector<int> newPosition(rows_.size());
  std::vector<JobRow> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
  }
  rows_ = std::move(sorted);
  QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& old : from) {
    to << index(newPosition[static_cast<std::size_t>(old.row())], old.column());
  }
  changePersistentIndexList(from, to);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace tabulox
