#pragma once
// Where the file dialogs start: the folder of the file last opened or saved
// in this run of the program; before any, the user's music folder if there
// is one, else the home folder.

#include <QString>

namespace sonavix {

class RecentFolder {
 public:
  QString Start() const;
  // A file was opened or saved: its folder is where the next dialog starts.
  void Remember(const QString& filePath);

 private:
  QString last_;
};

}  // namespace sonavix
