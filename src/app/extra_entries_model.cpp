#include "app/extra_entries_model.h"

#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QLocale>
#include <QMimeDatabase>

namespace sonavix {

bool ExtraEntriesModel::IsExtra(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.internalPointer() == &tag_;
}

bool ExtraEntriesModel::IsFolder(const QModelIndex& proxyParent) const {
  return folder_.isValid() && !IsExtra(proxyParent) && QIdentityProxyModel::mapToSource(proxyParent) == folder_;
}

int ExtraEntriesModel::SourceRows() const { return sourceModel() ? sourceModel()->rowCount(folder_) : 0; }

void ExtraEntriesModel::SetExtras(const QModelIndex& folder, const QList<ExtraEntry>& entries) {
  if (!entries_.isEmpty()) {
    const int first = SourceRows();
    beginRemoveRows(mapFromSource(folder_), first, first + int(entries_.size()) - 1);
    entries_.clear();
    endRemoveRows();
  }
  folder_ = folder;
  if (entries.isEmpty()) return;
  const int first = SourceRows();
  beginInsertRows(mapFromSource(folder_), first, first + int(entries.size()) - 1);
  entries_ = entries;
  endInsertRows();
}

int ExtraEntriesModel::rowCount(const QModelIndex& parent) const {
  if (IsExtra(parent)) return 0;
  return QIdentityProxyModel::rowCount(parent) + (IsFolder(parent) ? int(entries_.size()) : 0);
}

bool ExtraEntriesModel::hasChildren(const QModelIndex& parent) const {
  if (IsExtra(parent)) return false;
  return QIdentityProxyModel::hasChildren(parent) || (IsFolder(parent) && !entries_.isEmpty());
}

QModelIndex ExtraEntriesModel::index(int row, int column, const QModelIndex& parent) const {
  if (IsExtra(parent)) return {};
  if (IsFolder(parent)) {
    const int first = SourceRows();
    if (row >= first && row < first + int(entries_.size()) && column >= 0 && column < columnCount(parent))
      return createIndex(row, column, const_cast<char*>(&tag_));
  }
  return QIdentityProxyModel::index(row, column, parent);
}

QModelIndex ExtraEntriesModel::parent(const QModelIndex& child) const {
  if (IsExtra(child)) return mapFromSource(folder_);
  return QIdentityProxyModel::parent(child);
}

QModelIndex ExtraEntriesModel::sibling(int row, int column, const QModelIndex& index) const {
  if (IsExtra(index)) return this->index(row, column, parent(index));
  return QIdentityProxyModel::sibling(row, column, index);
}

QModelIndex ExtraEntriesModel::mapToSource(const QModelIndex& proxy) const {
  if (IsExtra(proxy)) return {};
  return QIdentityProxyModel::mapToSource(proxy);
}

QVariant ExtraEntriesModel::data(const QModelIndex& index, int role) const {
  if (!IsExtra(index)) return QIdentityProxyModel::data(index, role);
  const qsizetype at = index.row() - SourceRows();
  if (at < 0 || at >= entries_.size()) return {};
  const ExtraEntry& entry = entries_[at];
  if (role == QFileSystemModel::FilePathRole) return entry.path;
  if (role == QFileSystemModel::FileNameRole) return entry.shown;
  if (role == Qt::DecorationRole && index.column() == 0)
    return QFileIconProvider().icon(QAbstractFileIconProvider::File);
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  // The columns as the file system model fills them for its own rows.
  switch (index.column()) {
    case 0: return entry.shown;
    case 1: return QLocale::system().formattedDataSize(entry.size);
    case 2: return QMimeDatabase().mimeTypeForFile(entry.shown, QMimeDatabase::MatchExtension).comment();
    default: return QLocale::system().toString(entry.modified, QLocale::ShortFormat);
  }
}

Qt::ItemFlags ExtraEntriesModel::flags(const QModelIndex& index) const {
  if (IsExtra(index)) return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
  return QIdentityProxyModel::flags(index);
}

}  // namespace sonavix
