#pragma once
// The "Info" dialog: the program's picture and who made it.

#include <QDialog>
#include <QPixmap>

namespace sonavix {

// The program's picture: circles over a dark red ground, as in its videos.
QPixmap ProgramPicture(int size);

class AboutDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace sonavix
