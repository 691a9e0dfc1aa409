#include "app/recent_places.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sonavix {

QString RecentPlaces::Start() const {
  if (!last_.isEmpty() && QFileInfo(last_).isDir()) return last_;
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (!music.isEmpty() && QFileInfo(music).isDir()) return music;
  return QDir::homePath();
}

void RecentPlaces::Remember(const QString& filePath) { last_ = QFileInfo(filePath).absolutePath(); }

void RecentPlaces::RememberOpened(const QString& filePath) {
  const QString path = QFileInfo(filePath).absoluteFilePath();
  files_.removeAll(path);
  files_.prepend(path);
  while (files_.size() > kRecentFilesKept) files_.removeLast();
}

void RecentPlaces::Restore(const QString& folder, const QStringList& files) {
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) last_ = folder;
  files_.clear();
  for (const QString& file : files)
    if (!file.isEmpty() && !files_.contains(file) && files_.size() < kRecentFilesKept) files_ << file;
}

}  // namespace sonavix
