#include "app/byte_name_dialog.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

#include "app/extra_entries_model.h"
#include "document/local_names.h"

namespace sonavix {

namespace {

// The files of `folder` whose names are no UTF-8 and match a pattern, as
// the dialog would show them.
QList<ExtraEntry> FilesQtLeavesOut(const QString& folder, const QStringList& patterns) {
  QList<ExtraEntry> entries;
  const QByteArray base = BytesFromName(folder);
  DIR* dir = ::opendir(base.constData());
  if (!dir) return entries;
  while (const dirent* entry = ::readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (QString::fromUtf8(name).toUtf8() == name) continue;  // Qt lists it itself
    struct stat st {};
    if (::stat((base + '/' + name).constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const QString shown = QString::fromUtf8(name);
    const bool matches = std::any_of(patterns.begin(), patterns.end(), [&shown](const QString& pattern) {
      return QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive).match(shown).hasMatch();
    });
    if (!matches && !patterns.isEmpty()) continue;
    entries.append({shown, folder + QLatin1Char('/') + shown, qint64(st.st_size),
                    QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec)});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const ExtraEntry& a, const ExtraEntry& b) { return a.shown < b.shown; });
  return entries;
}

bool OnDisk(const QString& name) { return ::access(LocalPath(name).c_str(), F_OK) == 0; }

}  // namespace

ByteNameFileDialog::ByteNameFileDialog(QWidget* parent, const QString& folder, const QStringList& patterns)
    : QFileDialog(parent, QString(), folder), patterns_(patterns) {
  // Only Qt's own dialog can be shown the files it leaves out.
  setOption(QFileDialog::DontUseNativeDialog);
  extras_ = new ExtraEntriesModel(this);
  setProxyModel(extras_);
  if (auto* model = qobject_cast<QFileSystemModel*>(extras_->sourceModel())) {
    connect(model, &QFileSystemModel::rootPathChanged, this, [this](const QString& path) { ListExtras(path); });
    ListExtras(model->rootPath());
  }
  for (auto* view : findChildren<QAbstractItemView*>()) {
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
  }
  auto* line = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!line) return;
  connect(line, &QLineEdit::textChanged, this, [this] { EnableChoiceQtCannotSee(); });
  // Qt takes an added row for the folder above and leaves the name empty.
  for (auto* view : findChildren<QAbstractItemView*>())
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, view, line] {
      const QModelIndexList rows = view->selectionModel()->selectedRows();
      if (rows.size() == 1 && extras_->IsExtra(rows[0]) && !line->hasFocus()) line->setText(rows[0].data().toString());
    });
}

void ByteNameFileDialog::SetPatterns(const QStringList& patterns) {
  patterns_ = patterns;
  if (auto* model = qobject_cast<QFileSystemModel*>(extras_->sourceModel())) ListExtras(model->rootPath());
}

QString ByteNameFileDialog::Chosen() const { return chosen_.isEmpty() ? selectedFiles().value(0) : chosen_; }

void ByteNameFileDialog::ListExtras(const QString& folder) {
  auto* model = qobject_cast<QFileSystemModel*>(extras_->sourceModel());
  if (model) extras_->SetExtras(model->index(folder), FilesQtLeavesOut(folder, patterns_));
}

// Qt keeps its button off for a name its model does not know.
void ByteNameFileDialog::EnableChoiceQtCannotSee() {
  auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  QPushButton* choose = buttons ? buttons->button(acceptMode() == AcceptOpen ? QDialogButtonBox::Open
                                                                            : QDialogButtonBox::Save)
                                : nullptr;
  const QString shown = selectedFiles().value(0);
  if (choose && !choose->isEnabled() && !shown.isEmpty() && NameOnDisk(shown) != shown) choose->setEnabled(true);
}

bool ByteNameFileDialog::ExtraUnderCursor(QObject* watched, QEvent* event) const {
  for (auto* view : findChildren<QAbstractItemView*>()) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == view->viewport())
      return extras_->IsExtra(view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
    if (event->type() == QEvent::KeyPress && watched == view) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      return (key == Qt::Key_Return || key == Qt::Key_Enter) && extras_->IsExtra(view->currentIndex());
    }
  }
  return false;
}

// A double click or Enter on an added file chooses it; Qt would take it
// for a folder it cannot find.
bool ByteNameFileDialog::eventFilter(QObject* watched, QEvent* event) {
  if (!ExtraUnderCursor(watched, event)) return QFileDialog::eventFilter(watched, event);
  accept();
  return true;
}

void ByteNameFileDialog::accept() {
  const QString shown = selectedFiles().value(0);
  const QString onDisk = NameOnDisk(shown);
  if (onDisk == shown) return QFileDialog::accept();
  const bool exists = OnDisk(onDisk);
  if (acceptMode() == AcceptOpen && !exists) return QFileDialog::accept();
  if (acceptMode() == AcceptSave && exists &&
      QMessageBox::warning(this, windowTitle(),
                           tr("%1 already exists.\nDo you want to replace it?").arg(DisplayName(QFileInfo(onDisk).fileName())),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  chosen_ = onDisk;
  QDialog::accept();
}

}  // namespace sonavix
