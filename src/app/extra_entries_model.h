#pragma once
// The file dialog's view of the disk (its QFileSystemModel, passed through
// unchanged) with some rows more at the end of one folder: files the disk
// has but the model leaves out. They have no place in the model below:
// mapToSource gives no index for them.

#include <QDateTime>
#include <QIdentityProxyModel>
#include <QList>
#include <QPersistentModelIndex>
#include <QString>

namespace sonavix {

struct ExtraEntry {
  QString shown;     // the name as the dialog shows it
  QString path;      // the folder's path and that name
  qint64 size = 0;
  QDateTime modified;
};

class ExtraEntriesModel final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  // The rows to add below the source model's `folder`, instead of any
  // added before.
  void SetExtras(const QModelIndex& folder, const QList<ExtraEntry>& entries);
  bool IsExtra(const QModelIndex& index) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
  QModelIndex mapToSource(const QModelIndex& proxy) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  bool IsFolder(const QModelIndex& proxyParent) const;
  int SourceRows() const;

  QPersistentModelIndex folder_;  // in the source model
  QList<ExtraEntry> entries_;
  char tag_ = 0;  // the internal pointer that marks an added row
};

}  // namespace sonavix
