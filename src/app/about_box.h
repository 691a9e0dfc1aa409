#pragma once
// The "Info" dialog: the program's picture and who made it.

#include <QDialog>
#include <QPixmap>

namespace sonavix {

// The program's picture: circles over a dark red ground, as in its videos.
QPixmap ProgramPicture(int size);

class TAboutBox final : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace sonavix
