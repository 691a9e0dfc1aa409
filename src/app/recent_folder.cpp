#include "app/recent_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sonavix {

QString RecentFolder::Start() const {
  if (!last_.isEmpty() && QFileInfo(last_).isDir()) return last_;
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (!music.isEmpty() && QFileInfo(music).isDir()) return music;
  return QDir::homePath();
}

void RecentFolder::Remember(const QString& filePath) {
  last_ = QFileInfo(filePath).absolutePath();
}

}  // namespace sonavix
