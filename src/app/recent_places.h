#pragma once
// Where the file dialogs start and what "Zuletzt geöffnet" lists: the
// folder of the file last opened or saved (before any, the user's music
// folder if there is one, else the home folder) and the last ten files
// opened, the newest first. The window keeps both between runs.

#include <QString>
#include <QStringList>

namespace sonavix {

inline constexpr int kRecentFilesKept = 10;

class RecentPlaces {
 public:
  QString Start() const;
  const QString& LastFolder() const { return last_; }
  // A file was opened or saved: its folder is where the next dialog starts.
  void Remember(const QString& filePath);

  // A file was opened: it heads the list, once.
  void RememberOpened(const QString& filePath);
  const QStringList& Files() const { return files_; }
  void ClearFiles() { files_.clear(); }

  // As kept from an earlier run: a folder that is gone is ignored, and the
  // list is cut to ten.
  void Restore(const QString& folder, const QStringList& files);

 private:
  QString last_;
  QStringList files_;
};

}  // namespace sonavix
