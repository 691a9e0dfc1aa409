#pragma once
// The picture of a run in a window of its own: opened by a double click on
// the preview, enlarged up to the picture's full size, closed at any time,
// during playback and export too. It shows the whole picture scaled to fit
// with its shape kept; scaling is for display only.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace sonavix {

// Where a picture of `picture` size goes in `area`: as large as fits with
// its shape kept, centred.
QRect FitPicture(QSize picture, const QRect& area);

class PreviewWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewWindow(QWidget* parent = nullptr);

  // The newest picture; the window grows no larger than it.
  void Show(const QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace sonavix
